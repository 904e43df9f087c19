#pragma once
// A fresh data directory per test with the database path in it.
#include <gtest/gtest.h>

#include "LogCapture.h"
#include "TestFiles.h"
#include "runtime/Json.h"

namespace tarsel {

class ShortcutsFixture : public ::testing::Test {
  protected:
    void store(const std::string& text) { testing::writeText(path, text); }
    std::string stored() { return testing::readText(path); }
    Json storedJson() { return Json::parse(stored()); }

    testing::TempDir dir{"tarsel-shortcuts"};
    std::string path = dir / "shortcuts_db.json";
    testing::LogCapture log;
};

}  // namespace tarsel
