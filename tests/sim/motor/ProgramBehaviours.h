#pragma once
// Programs the tools download, played by behaviour: compiled code is not run here, so a program
// whose text carries one of these markers stands for its behaviour when it runs ("RUN", or at
// power-up and after "Z").
//
//   "PGPC-POLL"    the playground's polling program: answers "GOSUB9" (see AnswerPoll)
//   "FINISHED" with "CLK<t"   the tuner's generated tuning program: sample lines at the line's
//                  pace, then "FINISHED"
//   "INDEX-CAL"    the index calibration programs: wait for uuu=3 (verify) or uuu=2
//                  (re-calibrate), print progress, a backspace, and leave www..zzz
//   "LOCKUP-DEAF"  a program that makes the motor deaf, unless "E" arrives at 9600 within the
//                  start window after power-up
//
// Any other program runs as a straight list of statements (moves included), which is what the
// tuner's move programs are.

#include <string>

namespace vqxsim {

class SimMotor;

enum class ProgramKind { Plain, Poll, Tune, Calibrate, Deaf };

ProgramKind ProgramBehaviourOf(SimMotor& motor);

// Starts the behaviour of the stored program; false for a plain program.
bool StartProgramBehaviour(SimMotor& motor);

// The polling program's reply to "GOSUB9": fields P E W I V O chosen by the mask in f (1, 2, 4,
// 8, 16, 32); P, E, I, V, O only when they differ from p, g, i, v, o (which then take them), W
// always: with n not 0 (462 firmware) and n other than 2 + Bn, W carries 134217728 + 65536 Bn
// instead of the status word and n becomes 2 + Bn.
std::string AnswerPoll(SimMotor& motor);

} // namespace vqxsim
