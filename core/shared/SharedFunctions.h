#pragma once
// The shared functions that are not widgets: text and path helpers, packed dates,
// serial numbers, status-bit texts, number texts for dialogs, and the dotted-quad check of the
// motor-IP prompt. Pure functions; the widget halves (setting a control's text, opening help) come with
// the application shell.
//
// Left out on purpose: `GetMotorByIndex` needs the project, which does not exist yet;
// it belongs with the project. `ShowHelpTopic` and `HtmlHelpCommand` open the help viewer and come
// with the shell, `ShowChangeIPHelp` with the question seam (core/ui/Questions.h); `HelpTopicOf`
// and `HelpTopicPath` below are their text part.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// ---- Text lines ------------------------------------------------------------------------------

// The n-th line (0-based, '\n'-separated) of a text; empty when there is no such line.
std::string GetTextLine(std::string_view text, int n);
// The in/out form: replaces the string by its n-th line.
void GetTextLine(std::string& text, int n);

// String resources of commands and dialogs hold description, tooltip and help topic on three
// lines: the help topic is the third line.
std::string HelpTopicOf(std::string_view resourceText);
// What the help viewer is asked to open: the help file path, "::/" and the topic. A topic that
// already starts with "::/" (callers such as "::/VQXUsersGuide\...") is appended as it is.
std::string HelpTopicPath(std::string_view helpFile, std::string_view topic);

// ---- Paths -----------------------------------------------------------------------------------
// Stored paths use "\" as separator. Paths written by the Windows program keep their backslashes,
// and paths on Linux use "/", so both count as separators here (see CombinePath for the one
// written).

// Text after the last separator; the whole path when it has none.
std::string GetFileNamePart(std::string_view path);
// Path before the last separator; the path unchanged when it has none or when the last
// separator is its first character.
std::string GetFolderPart(std::string_view path);
// Compiled-program path of a source path: ".scx" when the last 4 characters are ".tqc" (any
// case), else ".tqx"; when the file-name part holds a "." after its first character the path is
// cut at its last "." first.
std::string GetCompiledFileName(std::string_view sourcePath);
// Each leading "..\" (or "../") of relative removes it and one folder level of base
// (GetFolderPart); the result is base + separator + rest. The separator written is "\" when the
// base uses backslashes only, else "/"; separators in the rest are written the same way.
std::string CombinePath(std::string_view relative, std::string_view base);

// ---- Dates and times -------------------------------------------------------------------------

// The platform's broken-down time stamp, as files and motor records store it (UTC).
struct SystemTime {
    uint16_t wYear = 0;
    uint16_t wMonth = 0;
    uint16_t wDayOfWeek = 0;
    uint16_t wDay = 0;
    uint16_t wHour = 0;
    uint16_t wMinute = 0;
    uint16_t wSecond = 0;
    uint16_t wMilliseconds = 0;
};

// "%02d/%02d/%04d %02d:%02d:%02d" (month, day, year, hour, minute, second) of the UTC time stamp
// in local time; "N/A" for year 0 and for a stamp that cannot be converted (a field out of
// range): absent dates show "N/A", never an empty text.
std::string FormatSystemTime(const SystemTime& utc);

// Packed date: bits 16-31 year, 8-15 month, 0-7 day; low 16 bits 0 = no date.
constexpr uint32_t PackDate(int year, int month, int day)
{
    return (static_cast<uint32_t>(year) << 16) | ((static_cast<uint32_t>(month) & 0xFFu) << 8) |
           (static_cast<uint32_t>(day) & 0xFFu);
}
// "%02d/%02d/%04d" (month, day, year); "N/A" when the low 16 bits are 0.
std::string FormatPackedDate(uint32_t packed);

// ---- Serial numbers --------------------------------------------------------------------------
// Top byte a printable character (0x20..0x7E), low 24 bits a number 1..16777215; 0 and
// 0xFFFFFFFF mean none.
constexpr uint32_t kNoSerialNumber = 0xFFFFFFFFu;

// "%c%d" (letter, number) when the value is not 0 or 0xFFFFFFFF and its top byte is printable;
// else "N/A".
std::string FormatSerialNumber(uint32_t serial);
// (first character << 24) + number, where the number is the decimal value of the text after the
// first character; 0xFFFFFFFF when the text is shorter than 2 characters, is "N/A", has a first
// character that is not printable, has anything but digits after it (a lax number reading would
// take "A-5" or "A12x"), or its number is 0 or above 16777215.
uint32_t ParseSerialNumber(std::string_view text);

// ---- Status bits -----------------------------------------------------------------------------

// Tool-tip text of motor status bit 0..22; isVersion5 chooses the first of two
// texts; other bits give an empty text.
std::string GetStatusBitText(int bit, bool isVersion5, bool isVersion46Plus);

// ---- Numbers in dialogs ----------------------------------------------------------------------

// The text SetDlgItemDouble puts into a control: fixed notation with the given number of decimals
// (clamped to 0..20) and a decimal point whatever the process locale; with trim and decimals > 0,
// trailing "0"s and then a trailing "." removed.
std::string FormatDouble(double value, int decimals, bool trim);
// Whether SetDlgItemDouble changes a control showing `current` to `wanted`: the texts are compared
// on up to 48 characters.
bool DlgTextDiffers(std::string_view current, std::string_view wanted);
// The number GetDlgItemDouble reads from a control text: its leading decimal number, 0 when the
// text does not start with one (the C library's atof, independent of the locale).
double ParseDouble(std::string_view text);

// ---- System error text -----------------------------------------------------------------------

// The system's message text for the last error (errno).
std::string GetLastErrorText();
// The system's message text for an error number.
std::string GetErrorText(int errorNumber);

// ---- Dotted quad ----------------------------------------------------------------

// True when the text is a dotted quad: digits and exactly three dots, each group with at least
// one digit and a value up to 255 (leading zeros allowed: "010" is 10). The four numbers are
// stored in order when `out` is given and the text is valid.
bool ParseIPAddress(std::string_view text, std::array<uint8_t, 4>* out = nullptr);
