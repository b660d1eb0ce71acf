// The base folders every file of the program's own lives under.
#include "records/xdg_folders.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <optional>
#include <string>

namespace yarvelin {
namespace {

// Sets a variable for one test and puts the old value back.
class CEnvironment {
  public:
    CEnvironment(const char* name, const char* value) : m_name(name) {
        if (const char* old = ::getenv(name)) {
            m_old = old;
        }
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~CEnvironment() { m_old ? ::setenv(m_name, m_old->c_str(), 1) : ::unsetenv(m_name); }

  private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST(XdgFolders, AbsoluteValuesCountAndOthersFallBackToHome) {
    const CEnvironment home("HOME", "/home/m");
    {
        const CEnvironment config("XDG_CONFIG_HOME", "/cfg");
        const CEnvironment state("XDG_STATE_HOME", "relative/state");
        EXPECT_EQ(XdgConfigHome(), "/cfg");
        EXPECT_EQ(XdgStateHome(), "/home/m/.local/state");
    }
    const CEnvironment config("XDG_CONFIG_HOME", nullptr);
    const CEnvironment state("XDG_STATE_HOME", "");
    EXPECT_EQ(XdgConfigHome(), "/home/m/.config");
    EXPECT_EQ(XdgStateHome(), "/home/m/.local/state");
}

}  // namespace
}  // namespace yarvelin
