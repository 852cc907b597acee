#pragma once
// Compiled program images as the motors take them: "$", three-character header version, "0",
// checksum (6 hex: byte sum of the body), body length (6 hex), label sum (6 hex: sum of the label
// entries' bytes), label count (4 hex), the labels (4 hex each), the body. The motor expects the
// image followed by FF FF 20.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace transfer {

inline constexpr uint8_t kImageTerminator[3] = {0xFF, 0xFF, 0x20};
// What a cancelled transfer sends so that the motor marks its program broken.
inline constexpr const char* kCancelBytes = "123456789012345";

// The header's checksum (characters 5-10); none when they are not hex digits.
std::optional<uint32_t> HeaderChecksum(const std::string& image);

// A checksum reply: exactly 15 characters, blanks at 6 and 13, hex digits elsewhere before 14, and
// 'P' (or 'F' when acceptBroken) at 14.
bool IsChecksumReply(const std::string& reply, bool acceptBroken);
// Characters 7-12 of a checksum reply as a number.
uint32_t ReplyChecksum(const std::string& reply);

// The header version a program for this firmware carries, chosen so that the version check of a
// download accepts it: "462" for 462 and 462ah, "461" for 461 and 461h, "463" for other 46x
// firmware, "500" (5 series: first digit kept) and "400" for the rest.
std::string HeaderVersionFor(const std::string& firmware);

// Builds an image from its parts; the sums and counts are computed.
std::string BuildImage(const std::string& headerVersion, const std::vector<uint16_t>& labels, const std::string& body);

// The END program compiled by hand, for when no language file can compile it.
std::string FixedEndImage(const std::string& firmware);

// The minimal program the memory probe loads. printProbe: the form read back with RUN (old
// firmware on channel 1), else the form read back with UPLOAD.
std::string ProbeImage(const std::string& firmware, bool printProbe);
inline constexpr const char* kProbeUploadText = "a=a END";
inline constexpr const char* kProbeRunReply = "a=a";

// Whether the motor's text form of a program equals the compiled image: the image's body with its
// coded jump records written as their keywords, compared with the uploaded text whose line ends
// may be CR LF. False when the image's header does not parse.
bool UploadMatchesImage(const std::string& uploaded, const std::string& image);
// The program text a motor keeps for a compiled body: coded records as keywords.
std::string DecodeCodedRecords(const std::string& body);

// The motor keeps WHILE and SWITCH run on into their expression ("WHILEa<6"), which no compiler
// reads back. Fed the motor's text byte by byte, this gives the bytes to write instead: a blank
// goes in between, so that an uploaded program compiles again to the image it came from.
class CRunOnKeywordSpacer {
public:
    std::string Next(char c);

private:
    std::string m_word;       // the word so far, when it began a statement
    bool m_tracking = true; // the current word began after a blank or a line end
    bool m_inString = false;
};
std::string SpaceRunOnKeywords(const std::string& text);

} // namespace transfer
