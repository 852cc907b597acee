#pragma once
// "Different settings detected": what the user sees of a port (or of every port) as defined in the
// project and as detected, the four answers with their "Don't show this dialog box again" box,
// and the answer remembered in the profile. Widget-free; the dialog shows it.

#include "app/project/ConfigTree.h"

#include <functional>
#include <string>
#include <vector>

class CCommPort;
class CMotor;

// One item of the two trees: the root, a port (list form) or a motor; images as the
// configuration tree's.
struct ConfigTreeItem {
    std::string text;
    int image = kImageRoot;
    CMotor* motor = nullptr;
    std::vector<ConfigTreeItem> children;
};

// The tree under `rootText` of one port's motors, or (several ports) every port with its motors.
ConfigTreeItem ConfigurationTree(const std::string& rootText, const std::vector<CCommPort*>& ports, bool listForm);

class CDifferentSettingsForm {
public:
    enum : int { kCurrentTree = 1150, kDetectedTree = 1149, kDontShowAgain = 1244, kSeeDifferences = 1263 };
    static constexpr const char* kTitle = "Different settings detected";
    static constexpr const char* kText = "Detected settings are different from the currently defined settings for the port:";
    static constexpr const char* kQuestion = "What do you want to do?";
    static constexpr const char* kCurrentRoot = "Current Configuration";
    static constexpr const char* kDetectedRoot = "Detected Configuration";
    // The answers in the order of the dialog, with their button texts.
    struct Choice {
        int id;
        const char* text;
    };
    static const std::vector<Choice>& Choices();

    // Choosing "Ignore ..." unchecks and disables the box; the others enable it.
    void Choose(int answer);
    int Chosen() const { return m_choice; }
    void SetDontShowAgain(bool on) { m_dontShow = on && DontShowEnabled(); }
    bool DontShowAgain() const { return m_dontShow; }
    bool DontShowEnabled() const;
    // OK: the answer; with the box checked it is remembered (never "Ignore ...").
    int Ok() const;

private:
    int m_choice = 1238;
    bool m_dontShow = false;
};

// The remembered answer, or the dialog's when none is remembered.
int DoModalOrRemembered(const std::function<int()>& showDialog);
