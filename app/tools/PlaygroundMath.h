#pragma once
// The playground's arithmetic: the knob's angles and the conversions between user units (RPM,
// revolutions per second squared, counts) and the motor's, and between sliders and commands. All
// of it in 64 bits or double and clamped to what the target holds, so a large limit, speed or
// encoder resolution never wraps a 32-bit product.
#include <cstdint>
#include <string>

namespace tools {

// An angle in degrees brought into [0, 360): 725 -> 5, -90 -> 270, -720 -> 0.
double NormalizeAngle(double degrees);
// The angle of a point in a knob of w x h pixels, counter-clockwise from 3 o'clock, in [0, 360).
double KnobPointAngle(int x, int y, int w, int h);
// The turn from `current` to `target` in (-180, 180] (a point opposite gives 180 or -180).
double KnobChange(double target, double current);
// The knob's angle of a position: -position * 360 / EnRes, in [0, 360).
double KnobAngleOfPosition(int32_t position, uint32_t enRes);
// The position a turn of d degrees from `position` aims at: position - trunc(EnRes * d / 360).
int32_t KnobDestination(int32_t position, uint32_t enRes, double degrees);

// Motor velocity of a speed: rpm * EnRes * SP * 65536 / 60000 (SP in ms per sample), truncated,
// or rounded when `round` is set (the velocity page's maximum); clamped to 32 bits.
int32_t VelocityOfRpm(double rpm, uint32_t enRes, double samplePeriod, bool round = false);
// Motor acceleration: rps2 * EnRes * SP^2 * 65536 * 0.000001, truncated, clamped.
int32_t AccelerationOfRps2(double rps2, uint32_t enRes, double samplePeriod);
// Speed in RPM of a motor velocity.
double RpmOfVelocity(int32_t velocity, uint32_t enRes, double samplePeriod);
// "%.2f" without trailing zeros and point ("1000", "12.5", "-0.33").
std::string FormatTrimmed(double value);

// Position slider (0..500) of a count between the limits; clamped to the slider.
int SliderOfCount(int64_t count, int32_t left, int32_t right);
// Count of a slider position.
int32_t CountOfSlider(int position, int32_t left, int32_t right);
// Velocity/torque slider (0..200, 100 = zero, top = +maximum) of a command, clamped.
int SliderOfCommand(int64_t command, int64_t maximum);
// Command of a velocity/torque slider position: (100 - p) * maximum / 100, clamped to 32 bits.
int32_t CommandOfSlider(int position, int64_t maximum);

} // namespace tools
