#include "gui/single_instance.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QTest>

namespace ostinel::gui {
namespace {

QString UniqueName() {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    return QStringLiteral("ostinel-test-%1-%2")
        .arg(getpid())
        .arg(QString::fromLatin1(test->name()));
}

TEST(SingleInstance, ASecondStartHandsItsCommandLineToTheRunningCopy) {
    SingleInstance running(UniqueName());
    ASSERT_TRUE(running.Listen());
    QStringList received;
    QObject::connect(&running, &SingleInstance::commandLineReceived,
                     [&](const QString& text) { received << text; });
    SingleInstance second(UniqueName());
    EXPECT_TRUE(second.HandToRunningCopy(QStringLiteral("/music/Étude in E.mid")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return received.size() == 1; }, 5000));
    EXPECT_EQ(received[0], QStringLiteral("/music/Étude in E.mid"));
}

TEST(SingleInstance, ARelativeNameTravelsAsTheSecondStartsWholePath) {
    SingleInstance running(UniqueName());
    ASSERT_TRUE(running.Listen());
    QStringList received;
    QObject::connect(&running, &SingleInstance::commandLineReceived,
                     [&](const QString& text) { received << text; });
    const QString folder = QDir::currentPath();
    SingleInstance second(UniqueName());
    EXPECT_TRUE(second.HandToRunningCopy(QStringLiteral("songs/air.mid")));
    EXPECT_TRUE(second.HandToRunningCopy(QString()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return received.size() == 2; }, 5000));
    EXPECT_EQ(received[0], folder + QStringLiteral("/songs/air.mid"));
    EXPECT_EQ(received[1], QString());
}

TEST(SingleInstance, WithoutARunningCopyTheFirstStartRunsItself) {
    SingleInstance first(UniqueName());
    EXPECT_FALSE(first.HandToRunningCopy(QStringLiteral("song.mid")));
}

}  // namespace
}  // namespace ostinel::gui
