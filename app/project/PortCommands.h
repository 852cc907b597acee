#pragma once
// The port commands of the main frame that carry decisions of their own: echo on and off, the
// motors' baud rate, and Detect Motors with its calibration follow-up.

#include <cstdint>

class CProject;
class ICommandSurroundings;
namespace ui {
class IQuestions;
}

// Echo On is refused, with a pane text, on a port that is not an RS-232 chain. Errors go to the
// pane and the information view; a failed Echo On is then handed to the error query.
void SetPortEcho(CProject& project, int portIndex, bool on, ICommandSurroundings& around);
// The motors of an open port change their rate and the port follows; the pane shows the rate.
void SetPortBaud(CProject& project, int portIndex, int baud, ICommandSurroundings& around);

// What the calibration follow-up of a detection runs: the wizard in verify or re-calibration mode
// for the port's first motor (none yet: nothing).
enum class CalibrationChoice { None, Verify, Recalibrate };
// Detect Motors on a port: the remembered question, the detection request (detect, or address an
// RS-232 chain), the calibration follow-up, the summary. Returns the request's answer (0 when the
// user declined) and what the follow-up chose.
uint32_t DetectMotorsCommand(CProject& project, int portIndex, bool address, bool ask, ICommandSurroundings& around,
                             CalibrationChoice* choice = nullptr);
// The follow-up alone, for a port just detected: the box for a single motor whose detection
// left the general warning (count 1000), else the general warning; then the two warnings of
// the chosen action, each of which may cancel it.
CalibrationChoice CalibrationFollowUp(CProject& project, int portIndex);
// The two warnings before the calibration wizard runs (verify, or re-calibrate): the motion, then
// the user and calibration programs that will be overwritten. True when both were answered OK.
bool CalibrationWarningsAccepted(ui::IQuestions& questions, bool verify);
