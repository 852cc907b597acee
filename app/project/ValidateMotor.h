#pragma once
// "Validate": the motor is read afresh and compared with what the project holds of it, its
// program included; a matching motor (or any motor of the default project) takes what was read,
// a different one goes to the user.

class CMotor;
class CProject;
class ICommandSurroundings;

enum class ValidateResult { Matches, Differs, NoEEPROM, Failed };

// Works on a copy that borrows the motor's connection (an Ethernet motor stays connected).
ValidateResult ValidateMotor(CProject& project, CMotor& motor, ICommandSurroundings& around);
