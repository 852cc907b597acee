#pragma once
// Turns a move (a distance, a straight line or a circular arc in up to six axes) into points one
// time delta apart, following a three-phase speed profile: start speed, acceleration limit,
// maximum speed and an optional end speed. Consecutive calls continue where the previous path
// ended (start point, speed and clock carry over). No motor traffic: positions, speeds and clocks
// are in the caller's units (speed in distance per clock unit). Refusals throw CVQXException
// InvalidData (engine code 19); settings are kept as they were set up to the refusal.

#include <array>
#include <cstdint>
#include <vector>

class CPathGenerator {
public:
    static constexpr int MaxAxes = 6;
    // More points than this are refused: one path is a segment of a stream, not a whole job.
    static constexpr int32_t MaxPoints = 1000000;

    enum SegmentKind : uint8_t { Distance = 0, Line = 1, ArcClockwise = 2, ArcCounterClockwise = 4 };

    struct PathPoint {
        std::array<double, MaxAxes> axis{};
        int32_t clock = 0;
    };

    virtual ~CPathGenerator() = default;

    // ---- Settings (the property puts check their values) ----
    double StartSpeed() const { return m_startSpeed; }
    void SetStartSpeed(double v);
    int32_t StartClock() const { return m_startClock; }
    void SetStartClock(int32_t c) { m_startClock = c; }
    double Acceleration() const { return m_acceleration; }
    void SetAcceleration(double a);
    double EndSpeed() const { return m_endSpeed; }
    void SetEndSpeed(double v);
    bool SlowToEndSpeed() const { return m_slowToEndSpeed; }
    void SetSlowToEndSpeed(bool on) { m_slowToEndSpeed = on; }
    double StartPoint(int axis) const;           // axis 1..6
    void SetStartPoint(int axis, double value);
    int32_t TimeDelta() const { return m_timeDelta; }
    void SetTimeDelta(int32_t dt);
    int32_t Plane() const { return m_plane; }
    void SetPlane(int32_t plane);

    // ---- Paths (each replaces the points) ----
    void GenerateDistance(double maxSpeed, double totalLength);
    void GenerateLine(double maxSpeed, const std::vector<double>& endPoint);
    void GenerateArc(double maxSpeed, const std::vector<double>& endPoint, const std::vector<double>& centre,
                     bool clockwise);

    // Positions of the axis-count axes and the clock (as a double) of points first..count-1, one
    // row after the other: the memory layout of the result array (axis index varies fastest).
    std::vector<double> GetDataPairs(int first) const;

    // ---- Results and internals, for the interface and tests ----
    const std::vector<PathPoint>& Points() const { return m_points; }
    int32_t PointCount() const { return static_cast<int32_t>(m_points.size()); }
    int32_t AxisCount() const { return m_axisCount; }
    double TotalLength() const { return m_totalLength; }
    double FinalSpeed() const { return m_finalSpeed; }
    double Radius() const { return m_radius; }
    const std::array<double, 3>& PhaseEnds() const { return m_phaseEnd; }
    const std::array<double, 3>& PhaseAccelerations() const { return m_phaseAcc; }

    // The profile for the stored settings and length (public for its tests).
    void ScheduleTime();
    // The two phases of durations b and c that start at speed u, end at speed w and cover distance
    // d: the first's and the second's acceleration.
    static std::pair<double, double> SolveTwoPhases(double d, double b, double c, double u, double w);

private:
    void CheckSettings() const;
    void ComputeLength();
    void ArcLength();
    void Generate();
    void AllocatePoints();
    void PlacePoint(PathPoint& p, double s) const;
    double Up(double x) const;
    void ReadAxes(const std::vector<double>& values, std::array<double, MaxAxes>& into, int maxAxes);
    void PlaneAxes(int& u, int& v, int& w) const;

    double m_startSpeed = 0;
    int32_t m_startClock = 0;
    double m_acceleration = 0;
    double m_maxSpeed = 0;
    double m_finalSpeed = 0;
    double m_endSpeed = 0;
    bool m_slowToEndSpeed = true;
    std::array<double, MaxAxes> m_startPoint{};
    std::array<double, MaxAxes> m_endPoint{};
    std::array<double, MaxAxes> m_centre{};
    int32_t m_timeDelta = 0;
    double m_totalLength = 0;
    int32_t m_plane = 0;
    double m_radius = 0;
    double m_startAngle = 0;
    int32_t m_axisCount = 0;
    uint8_t m_kind = Distance;
    std::array<double, 3> m_phaseEnd{};  // t1, t2, T in clock units
    std::array<double, 3> m_phaseAcc{};  // a1, a2, a3
    std::vector<PathPoint> m_points;
};
