// Whole text files on a real disk, in a folder of their own that goes with the test.
#include "adapters/text_file.h"

#include "dialogue/traffic_record.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <string>

namespace zelmar {
namespace {

TEST(TextFileTest, SavedTextLoadsBackByteForByteAndReplacesTheOld) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("settings.zcfg"));
    const char raw[] = "zelmar-objects 1\r\n0,135\n\xC3\xA9\0end";
    const std::string text(raw, sizeof raw - 1);
    QString error;
    ASSERT_TRUE(SaveTextFile(path, "an older and longer file", &error)) << error.toStdString();
    ASSERT_TRUE(SaveTextFile(path, text, &error)) << error.toStdString();
    EXPECT_EQ(LoadTextFile(path, &error), text);
    EXPECT_FALSE(SaveTextFile(dir.filePath(QStringLiteral("no/such/folder/a.zcfg")), text, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("a.zcfg"))) << error.toStdString();
}

TEST(TextFileTest, AStreamedSaveOfTheTrafficRecordIsTheRecord) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TrafficRecord record(dir.path().toStdString());
    std::string appended;
    for (int i = 0; appended.size() < 5 * TrafficRecord::kPiece / 2; ++i) {
        const std::string entry = std::to_string(i % 256) + " - " + std::to_string(i) + "\r\n";
        record.Append(entry);
        appended += entry;
    }
    const QString path = dir.filePath(QStringLiteral("traffic.txt"));
    QString error;
    const TextSource source = [&](const TextSink& sink) { return record.WriteTo(sink); };
    ASSERT_TRUE(SaveTextFile(path, source, &error)) << error.toStdString();
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_TRUE(saved.readAll().toStdString() == appended);
    // A source that cannot give everything replaces nothing, and says why.
    const TextSource failing = [](const TextSink& sink) {
        sink("half");
        return std::string("the traffic record could not be read back: Input/output error");
    };
    EXPECT_FALSE(SaveTextFile(path, failing, &error));
    EXPECT_EQ(error, QDir::toNativeSeparators(path) +
                         " was not saved: the traffic record could not be read back: "
                         "Input/output error. The file is as it was before.");
    EXPECT_EQ(QFileInfo(path).size(), static_cast<qint64>(appended.size()));
}

struct RefusalCase {
    const char* name;
    qint64 size;  // -1: a folder; -2: nothing there
    const char* reason;
};

class TextFileRefusalTest : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(TextFileRefusalTest, LoadGivesNothingAndSaysWhy) {
    const RefusalCase& c = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QString::fromLatin1(c.name));
    if (c.size == -1) {
        ASSERT_TRUE(QDir(dir.path()).mkdir(QString::fromLatin1(c.name)));
    }
    if (c.size >= 0) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.resize(c.size));
    }
    QString error;
    EXPECT_EQ(LoadTextFile(path, &error), std::nullopt);
    EXPECT_TRUE(error.contains(QString::fromLatin1(c.name))) << error.toStdString();
    EXPECT_TRUE(error.contains(QString::fromLatin1(c.reason))) << error.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Files, TextFileRefusalTest,
                         ::testing::Values(RefusalCase{"folder.zcfg", -1, "folder"},
                                           RefusalCase{"missing.zcfg", -2, "cannot be read"},
                                           RefusalCase{"huge.zcfg", kMaxTextFileBytes + 1,
                                                       "larger than 4 MB"}));

}  // namespace
}  // namespace zelmar
