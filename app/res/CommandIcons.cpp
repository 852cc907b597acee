#include "app/res/CommandIcons.h"

#include "app/editor/EditorCommands.h"
#include "app/shell/CommandIds.h"
#include "app/shell/FrameCommandTable.h"

namespace res {

namespace {

using namespace cmd;
using namespace shell::ids;

const std::vector<CommandPicture> kPictures = {
    // File
    {ID_FILE_NEW, "document-new", nullptr},
    {ID_FILE_OPEN, "document-open", nullptr},
    {ID_FILE_SAVE, "document-save", nullptr},
    {ID_FILE_SAVE_AS, "document-save-as", nullptr},
    {ID_FILE_CLOSE, "window-close", nullptr},
    {ID_FILE_PRINT_SETUP, "document-page-setup", nullptr},
    {ID_APP_EXIT, "application-exit", nullptr},
    {ID_NEW_PROJECT, "folder-new", nullptr},
    {ID_OPEN_PROJECT, "document-open", nullptr},
    {ID_SAVE_PROJECT, "document-save", nullptr},
    {ID_SAVE_PROJECT_AS, "document-save-as", nullptr},
    {ID_CLOSE_PROJECT, "window-close", nullptr},
    {ID_PROJECT_PROPERTIES, "document-properties", nullptr},
    {ID_SAVE_ALL, nullptr, "save-all"},
    // Edit
    {ID_EDIT_CUT, "edit-cut", nullptr},
    {ID_EDIT_COPY, "edit-copy", nullptr},
    {ID_EDIT_PASTE, "edit-paste", nullptr},
    {ID_EDIT_FIND, "edit-find", nullptr},
    {ID_EDIT_REPLACE, "edit-find-replace", nullptr},
    // View
    {ID_VIEW_CONFIGURATION, nullptr, "configuration"},
    {ID_VIEW_TERMINAL, "utilities-terminal", nullptr},
    {ID_VIEW_INFORMATION, "dialog-information", nullptr},
    {ID_VIEW_ANALYZER, nullptr, "analyzer"},
    {ID_WHERE_ARE_MY_WINDOWS, "view-restore", nullptr},
    // Communication
    {ID_TALK_TO_MOTORS, "utilities-terminal", nullptr},
    {ID_COMM_SETTINGS, "preferences-system-network", nullptr},
    {ID_COMM_WIZARD, nullptr, "detect-chain"},
    {ID_FIND_MOTORS, nullptr, "find-motors"},
    {ID_DETECT_MOTORS, nullptr, "detect-chain"},
    {ID_UPLOAD_PROGRAM, nullptr, "upload"},
    {ID_TRANSMIT_COMPILED, nullptr, "transmit-compiled"},
    {ID_ECHO_ON, nullptr, "echo-on"},
    {ID_ECHO_OFF, nullptr, "echo-off"},
    {kBaudTerminalFirst, nullptr, "baud-rate"},
    {kBaudTerminalFirst + 1, nullptr, "baud-rate"},
    {kBaudTerminalFirst + 2, nullptr, "baud-rate"},
    {kBaudTerminalFirst + 3, nullptr, "baud-rate"},
    {kBaudTerminalLast, nullptr, "baud-rate"},
    {ID_RUN_PROGRAM, "media-playback-start", nullptr},
    {ID_STOP_PROGRAM, "media-playback-stop", nullptr},
    {ID_STOP_MOTORS, nullptr, "stop-motors"},
    {ID_DECELERATE_MOTORS, nullptr, "decelerate"},
    {ID_LOCKUP_WIZARD, "network-error", nullptr},
    {kTerminalClear, "edit-delete", nullptr},
    {kTerminalSave, "document-save", nullptr},
    {kTerminalCopy, "edit-copy", nullptr},
    // Build
    {ID_COMPILE_PROJECT, "system-run", nullptr},
    {ID_COMPILE_DOWNLOAD_PROJECT, nullptr, "compile-download"},
    {ID_COMPILE_TRANSMIT, nullptr, "transmit-compiled"},
    {ID_SCAN_ERRORS, "tools-check-spelling", nullptr},
    // Tools
    {ID_TUNER, nullptr, "tuner"},
    {ID_MACRO, "system-run", nullptr},
    {ID_MOTOR_VIEW, nullptr, "motor-view"},
    {ID_NEW_MONITOR, nullptr, "monitor"},
    {ID_CHART_VIEW, nullptr, "chart"},
    {ID_PLAYGROUND, nullptr, "playground"},
    {ID_OPTIONS, "preferences-system", nullptr},
    // Help
    {ID_HELP_CONTENTS, "help-contents", nullptr},
    {ID_HELP_FINDER, "help-browser", nullptr},
    {ID_HELP, "help-browser", nullptr},
    {ID_HELP_INDEX, "help-faq", nullptr},
    {ID_HELP_USING, "help-browser", nullptr},
    {kProgrammersGuide, "accessories-dictionary", nullptr},
    {ID_TIP_OF_THE_DAY, "dialog-information", nullptr},
    {ID_APP_ABOUT, "help-about", nullptr},
    // The program editor
    {editor::ID_COMPILE_TQX, "system-run", nullptr},
    {editor::ID_COMPILE_SCX, "system-run", nullptr},
    {editor::ID_COMPILE_TRANSMIT_SCX, nullptr, "transmit-compiled"},
    {editor::ID_COMPILE_TRANSMIT_TQX_TO, nullptr, "transmit-compiled"},
    {editor::ID_COMPILE_TRANSMIT_SCX_TO, nullptr, "transmit-compiled"},
    {editor::ID_FORMAT_KEYWORDS, "format-text-bold", nullptr},
    {editor::ID_DOC_PROPERTIES, "document-properties", nullptr},
    {editor::ID_KEYWORD_INFO, "help-contents", nullptr},
    {editor::ID_ASSOCIATE_MOTOR, nullptr, "motor"},
    {editor::ID_DELETE_LINE, "edit-delete", nullptr},
    {editor::ID_EDIT_REPEAT, "edit-find", nullptr},
    {editor::ID_FILE_PRINT, "document-print", nullptr},
    {editor::ID_FILE_PRINT_DIRECT, "document-print", nullptr},
    {editor::ID_FILE_PRINT_PREVIEW, "document-print-preview", nullptr},
    // Information view
    {ID_INFO_COPY, "edit-copy", nullptr},
    {ID_INFO_CLEAR, "edit-delete", nullptr},
    // Configuration tree
    {kTreeDetect, nullptr, "detect-chain"},
    {kTreeAddress, nullptr, "address"},
    {kTreeProperties, "document-properties", nullptr},
    {kTreeMotorView, nullptr, "motor-view"},
    {kTreeMotorProperties, "document-properties", nullptr},
    {kTreePlayground, nullptr, "playground"},
    {kTreeTuneMotor, nullptr, "tuner"},
    {kTreeAssociate, "list-add", nullptr},
    {kTreeDownloadEditor, nullptr, "compile-download"},
    {kTreeDownload, nullptr, "compile-download"},
    {kTreeDownloadMain, nullptr, "compile-download"},
    {kTreeValidate, "emblem-default", nullptr},
    {kTreeRecalibrate, nullptr, "calibrate"},
    {kTreeVerifyCalibration, nullptr, "calibrate"},
    {kTreeCalibrationPower, nullptr, "calibrate"},
    {kTreeWebPage, "web-browser", nullptr},
    {kTreeSetAddress, nullptr, "address"},
    {kTreeUpload, nullptr, "upload"},
    {kTreeUploadCalibration, nullptr, "upload"},
    {kTreeClearEEPROM, "edit-delete", nullptr},
    {kTreeOpenFile, "document-open", nullptr},
    {kTreeMainFile, "emblem-favorite", nullptr},
    {kTreeDeleteFile, "list-remove", nullptr},
    {kBaudTreeFirst, nullptr, "baud-rate"},
    {kBaudTreeFirst + 1, nullptr, "baud-rate"},
    {kBaudTreeFirst + 2, nullptr, "baud-rate"},
    {kBaudTreeFirst + 3, nullptr, "baud-rate"},
    {kBaudTreeLast, nullptr, "baud-rate"},
};

} // namespace

const std::vector<CommandPicture>& CommandPictures() { return kPictures; }

const CommandPicture* CommandPictureOf(int id)
{
    for (const CommandPicture& p : kPictures)
        if (p.id == id)
            return &p;
    return nullptr;
}

} // namespace res
