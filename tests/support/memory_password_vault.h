// A password vault in memory for tests; a silent one stands for a keyring that does not answer.
#pragma once

#include <map>
#include <string>

#include "app/password_vault.h"

namespace yarvelin {

class CMemoryPasswordVault : public PasswordVault {
  public:
    explicit CMemoryPasswordVault(bool answers = true) : m_answers(answers) {}
    bool Save(const std::string& key, const std::string& password) override {
        if (m_answers) {
            m_saved[key] = password;
        }
        return m_answers;
    }
    bool Remove(const std::string& key) override {
        if (m_answers) {
            m_saved.erase(key);
        }
        return m_answers;
    }
    std::string Load(const std::string& key) override {
        const auto it = m_saved.find(key);
        return m_answers && it != m_saved.end() ? it->second : std::string();
    }
    bool m_answers;
    std::map<std::string, std::string> m_saved;
};

}  // namespace yarvelin
