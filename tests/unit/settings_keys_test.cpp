// The table of the settings keys against what depends on it being whole.
#include "settings/SettingsKeys.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

using namespace vd;

// The guide to vexweb.ini names every key the record loads and the form shows.
TEST(SettingsKeys, TheConfigurationGuideNamesEveryKey) {
    std::ifstream in(std::string(VD_SOURCE_DIR) + "/docs/configuration.md");
    ASSERT_TRUE(in) << "docs/configuration.md";
    std::stringstream text;
    text << in.rdbuf();
    for (const SettingsKey& key : SettingsKeys()) {
        const bool named = text.str().find("`" + std::string(key.Key) + "`") != std::string::npos ||
                           text.str().find("`" + std::string(key.Field) + "`") != std::string::npos;
        EXPECT_TRUE(named) << key.Key << " is not in docs/configuration.md";
    }
}
