#pragma once
// Two motor actions of the Motor menu: uploading a motor's program (or calibration program) into
// a new editor document, and clearing the user program by downloading the END program.

#include <string>

class CMotor;
class ICommandSurroundings;

// The title of an uploaded program's document: the program name reduced to its file name part,
// without a leading "<" and a trailing ">", cut before the first "."; an empty name gives
// "Upload%d" with the run's counter (which then counts up).
std::string UploadTitle(const std::string& programName, int& untitledCounter);

// Uploads the motor's program into the temporary "Uploaded.tqs" (".tqc" for the calibration
// program) and hands it to a new document. True when the program came and the document was made.
bool UploadMotorProgram(CMotor& motor, bool calibration, ICommandSurroundings& around);
// Replaces the motor's user program with the END program, then rebuilds the tree.
bool ClearMotorEEPROM(CMotor& motor, ICommandSurroundings& around);
