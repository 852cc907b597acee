#pragma once
// Where VQX's compiler finds the language file of a firmware version: the machine's Scanner key,
// as the installer and the Scanner options page keep it. A machine without that key (the program
// run where no installer registered anything) answers with the language files shipped in the
// program folder instead, each under the versions its own "Version" text lists, with the default
// file's version as "Default"; nothing is written to the registry for that.
#include "scanner/Scanner.h"

#include <functional>
#include <map>
#include <memory>
#include <string>

namespace shell {

class CMachineLanguages : public CLanguageRegistry {
public:
    // key: the machine's Scanner key (CScanner::MachineRegistry()), asked on every Open (another
    // program may change it); programFolder: where the shipped files are, asked when first needed.
    CMachineLanguages(std::shared_ptr<CLanguageRegistry> key, std::function<std::string()> programFolder);

    bool Open() override;
    bool Read(const std::string& name, std::string& value) override;
    void Close() override;

    // The shipped languages: version -> file, and "Default" -> the default file's version.
    static std::map<std::string, std::string> ShippedLanguages(const std::string& programFolder);

private:
    std::shared_ptr<CLanguageRegistry> m_key;
    std::function<std::string()> m_folder;
    bool m_fromKey = false;
    bool m_shippedRead = false;
    std::map<std::string, std::string> m_shipped;
};

} // namespace shell
