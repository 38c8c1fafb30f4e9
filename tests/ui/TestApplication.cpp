// One QApplication for the whole test binary, made before the first test runs
// (and not when the tests are only listed).

#include <QApplication>

#include <gtest/gtest.h>

namespace {

struct QtEnvironment final : ::testing::Environment {
    void SetUp() override { app = std::make_unique<QApplication>(argc, argv); }
    void TearDown() override { app.reset(); }

    int argc = 1;
    char name[9] = "ui_tests";
    char* argv[2] = {name, nullptr};
    std::unique_ptr<QApplication> app;
};

const auto* const registered = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

} // namespace
