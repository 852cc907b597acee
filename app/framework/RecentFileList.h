#pragma once
// The recent-file list of a menu: a fixed number of paths, newest first, kept in a profile
// section as "<entry format>" values numbered from 1 ("WSP1", "WSP2", ...). Paths compare
// without regard to case and separator, as file names on the original platform did; an
// entry is shown cut to a display length.

#include <string>
#include <string_view>
#include <vector>

namespace platform {
class Profile;
}

namespace fw {

class RecentFileList {
public:
    // `entryFormat` holds one %d ("WSP%d"); `size` entries at most.
    RecentFileList(std::string section, std::string entryFormat, int size, int displayLength);

    int Size() const { return m_size; }
    // The entries in order; empty strings are free places (as the profile keeps them).
    const std::vector<std::string>& Entries() const { return m_entries; }
    // The entry at an index, empty when there is none.
    std::string At(int index) const;
    int Count() const;

    // Puts a path at the top (moving it there when it is listed already).
    void Add(std::string_view path);
    // Removes the entry at an index; the later ones move up.
    void Remove(int index);
    // Moves the entry at an index to the top.
    void MoveToTop(int index);
    // The index of a path, -1 when not listed.
    int Find(std::string_view path) const;

    // Reads the entries from the profile (missing values are empty) and writes them back
    // (empty places are deleted). Write returns false when the profile cannot be saved.
    void ReadList(platform::Profile& profile);
    bool WriteList(platform::Profile& profile) const;

    // The entry as a menu shows it: the whole path when it fits the display length, else its
    // file name, prefixed by its first folder and "...", as far as the length allows.
    std::string DisplayName(int index) const;
    static std::string Abbreviate(std::string_view path, int length);
    // Whether two paths name the same file (case and "\" / "/" ignored).
    static bool SamePath(std::string_view a, std::string_view b);

private:
    std::string EntryName(int i) const;

    std::string m_section;
    std::string m_format;
    int m_size;
    int m_displayLength;
    std::vector<std::string> m_entries;
};

} // namespace fw
