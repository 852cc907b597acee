#pragma once
// Command ids of the source editor's menus (program and calibration sources) and its popup.

namespace editor {

inline constexpr int ID_SCAN_FOR_ERRORS = 32799;
inline constexpr int ID_COMPILE_TQX = 32800;
inline constexpr int ID_COMPILE_SCX = 33139;
inline constexpr int ID_COMPILE_TRANSMIT_TQX = 32808;
inline constexpr int ID_COMPILE_TRANSMIT_SCX = 33140;
inline constexpr int ID_COMPILE_TRANSMIT_TQX_TO = 32833;
inline constexpr int ID_COMPILE_TRANSMIT_SCX_TO = 33141;
inline constexpr int ID_FORMAT_KEYWORDS = 32884;
inline constexpr int ID_DOC_PROPERTIES = 32979;
inline constexpr int ID_KEYWORD_INFO = 32980;
inline constexpr int ID_ASSOCIATE_MOTOR = 33077;
inline constexpr int ID_DELETE_LINE = 33039;
inline constexpr int ID_EDIT_COPY = 57634;
inline constexpr int ID_EDIT_CUT = 57635;
inline constexpr int ID_EDIT_PASTE = 57637;
inline constexpr int ID_EDIT_FIND = 57636;
inline constexpr int ID_EDIT_REPLACE = 57641;
inline constexpr int ID_EDIT_REPEAT = 57640;
inline constexpr int ID_FILE_SAVE = 57603;
inline constexpr int ID_FILE_SAVE_AS = 57604;
inline constexpr int ID_FILE_PRINT = 57607;
inline constexpr int ID_FILE_PRINT_DIRECT = 57608;
inline constexpr int ID_FILE_PRINT_PREVIEW = 57609;
// Print margins of a source on every side, in points (half an inch).
inline constexpr double kPrintMarginPt = 36.0;

// The help topic of the editor.
inline constexpr const char* kEditorHelpTopic = "::/VQXUsersGuide\\TextEditor.htm";

// The texts of a command in the program-source menus and in the calibration-source menus.
struct EditorCommand {
    int id;
    int calibrationId;
    const char* text;
    const char* calibrationText; // null: the same
    const char* key;             // portable key text, empty when none
};
inline constexpr EditorCommand kEditorCommands[] = {
    {ID_SCAN_FOR_ERRORS, ID_SCAN_FOR_ERRORS, "Scan for errors", nullptr, "Ctrl+F7"},
    {ID_COMPILE_TQX, ID_COMPILE_SCX, "Compile Downloadable TQX file", "Compile Downloadable SCX file", "F7"},
    {ID_COMPILE_TRANSMIT_TQX, ID_COMPILE_TRANSMIT_SCX, "Compile && Transmit TQX file", "Compile && Transmit SCX file", "F5"},
    {ID_COMPILE_TRANSMIT_TQX_TO, ID_COMPILE_TRANSMIT_SCX_TO, "Compile && Transmit TQX file to...", "Compile && Transmit SCX file to...", ""},
    {0, 0, nullptr, nullptr, ""},
    {ID_EDIT_CUT, ID_EDIT_CUT, "Cu&t", nullptr, "Ctrl+X"},
    {ID_EDIT_COPY, ID_EDIT_COPY, "&Copy", nullptr, "Ctrl+C"},
    {ID_EDIT_PASTE, ID_EDIT_PASTE, "&Paste", nullptr, "Ctrl+V"},
    {ID_DELETE_LINE, ID_DELETE_LINE, "Delete Line", nullptr, "Ctrl+E"},
    {0, 0, nullptr, nullptr, ""},
    {ID_EDIT_FIND, ID_EDIT_FIND, "&Find...", nullptr, "Ctrl+F"},
    {ID_EDIT_REPLACE, ID_EDIT_REPLACE, "&Replace...", nullptr, "Ctrl+H"},
    {ID_EDIT_REPEAT, ID_EDIT_REPEAT, "Find &Next", nullptr, "F3"},
    {0, 0, nullptr, nullptr, ""},
    {ID_FORMAT_KEYWORDS, ID_FORMAT_KEYWORDS, "Format Keywords", nullptr, ""},
    {ID_KEYWORD_INFO, ID_KEYWORD_INFO, "Keyword information", nullptr, ""},
    {ID_ASSOCIATE_MOTOR, ID_ASSOCIATE_MOTOR, "Associate to motor", nullptr, ""},
    {ID_DOC_PROPERTIES, ID_DOC_PROPERTIES, "Properties", nullptr, ""},
};

} // namespace editor
