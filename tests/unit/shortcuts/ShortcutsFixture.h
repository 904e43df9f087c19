#pragma once
// A fresh data directory per test with the database path in it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "LogCapture.h"
#include "runtime/Files.h"
#include "runtime/Json.h"

namespace tarsel {

class ShortcutsFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = std::filesystem::temp_directory_path() /
              (std::string("shortcuts-") + info->test_suite_name() + "-" + info->name() + "-" +
               std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        path = (dir / "shortcuts_db.json").string();
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    void store(const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
    std::string stored() { return files::readAll(path).data; }
    Json storedJson() { return Json::parse(stored()); }

    std::filesystem::path dir;
    std::string path;
    testing::LogCapture log;
};

}  // namespace tarsel
