#pragma once
// The motor's command registry: exact command names, command prefixes ("BAUD", "VLD("), the
// assignment form "name=expr" and the report form "R<name>" ("P<name>" on P-protocol motors).
// Later behaviours add entries here instead of growing one long chain of tests.

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vqxsim {

class SimMotor;

// Runs a command. token is the command text as received; argument is the following token for
// commands that take one (CMP), else empty.
using CommandFn = std::function<void(SimMotor& motor, const std::string& token, const std::string& argument)>;
// Answers a report; name is the text after the report letter ("SP", "CKS", "Bs", "aaa").
using ReportFn = std::function<void(SimMotor& motor, const std::string& name)>;

struct CommandEntry {
    CommandFn run;
    bool takesArgument = false;    // the next token is its operand ("CMP dd==5")
    bool whileAsleep = false;      // runs on a sleeping motor (WAKE)
    bool ignoresCondition = false; // runs whatever IFT/IFF decided (IFX)
};

class CommandTable {
public:
    void Add(const std::string& name, CommandEntry entry);
    void AddPrefix(const std::string& prefix, CommandEntry entry);
    void SetAssignment(CommandEntry entry);
    void AddReport(const std::string& name, ReportFn report);
    // Used for report names with no entry of their own (variables, status bits, named values).
    void SetReportFallback(ReportFn report);

    // The entry that handles the token, or null for an unknown command.
    const CommandEntry* Find(const std::string& token, char reportLetter) const;
    // Answers the report name; false when nothing handles it.
    bool Report(SimMotor& motor, const std::string& name) const;

private:
    void EnableReports();

    std::map<std::string, CommandEntry> m_exact;
    std::vector<std::pair<std::string, CommandEntry>> m_prefixes; // longest first
    CommandEntry m_assignment;
    CommandEntry m_report;
    std::map<std::string, ReportFn> m_reports;
    ReportFn m_reportFallback;
};

// The table every simulated motor starts with.
std::shared_ptr<const CommandTable> DefaultCommandTable();

// The groups of built-in commands, each in its own file.
void RegisterLineCommands(CommandTable& table);
void RegisterDataCommands(CommandTable& table);
void RegisterProgramCommands(CommandTable& table);
void RegisterReports(CommandTable& table);
void RegisterPinCommands(CommandTable& table);
void RegisterMotionCommands(CommandTable& table);
void RegisterBehaviourCommands(CommandTable& table);

} // namespace vqxsim
