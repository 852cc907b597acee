#pragma once
// Takes the values a back end stores, by name, in place of the tagged archive.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

struct RecordingArchive {
    std::map<std::string, std::string> strings;
    std::map<std::string, int32_t> ints;
    void SerializeString(std::string_view name, std::string& v, std::string_view) { strings[std::string(name)] = v; }
    void SerializeInt(std::string_view name, int32_t& v, int32_t) { ints[std::string(name)] = v; }
};
