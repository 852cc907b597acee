#pragma once
// Synmove's application object: the profile under the maker's key, then the one dialog, shown
// modally; the program ends when it closes.

namespace synmove {

class CSynmoveApp {
public:
    // Returns the program's exit code.
    int InitInstance();
};

} // namespace synmove
