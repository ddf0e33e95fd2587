#include "remote/remote_commands.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tavelo;

namespace {

TEST(RemoteCommands, DefaultsAreSixtyUnlearnedPairs) {
  const QStringList lines = defaultRemoteCommands();
  ASSERT_EQ(lines.size(), 120);
  for (int i = 0; i < 120; i += 2) {
    EXPECT_TRUE(lines.at(i).isEmpty()) << i;
    EXPECT_EQ(lines.at(i + 1), "0") << i;
  }
}

TEST(RemoteCommands, NormalisedToExactly120Lines) {
  struct Case {
    QStringList lines;
    int keep;
  };
  QStringList long_lines;
  for (int i = 0; i < 130; ++i) long_lines << QString::number(i);
  const Case cases[] = {{{}, 0}, {{"3,1,1,2,", "1", "4,4,"}, 3}, {long_lines, 120}};
  for (const Case& c : cases) {
    const QStringList lines = normaliseRemoteCommands(c.lines);
    ASSERT_EQ(lines.size(), 120);
    EXPECT_EQ(lines.mid(0, c.keep), c.lines.mid(0, c.keep));
    EXPECT_EQ(lines.mid(c.keep), defaultRemoteCommands().mid(c.keep)) << "padding keeps the code/flag pattern";
  }
}

TEST(RemoteCommands, FileRoundTrip) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString programDir = dir.path() + QLatin1Char('/');
  EXPECT_EQ(loadRemoteCommands(programDir), defaultRemoteCommands()) << "no file: defaults";

  QStringList learned = defaultRemoteCommands();
  learned[0] = QStringLiteral("2,1,1,2,1,1,1,2,2,1,");
  learned[1] = QStringLiteral("1");
  learned[118] = QStringLiteral("9,9,9,9,9,9,9,9,");
  ASSERT_TRUE(saveRemoteCommands(programDir, learned).ok);
  QFile file(programDir + "IRRCcomm.ini");
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  EXPECT_TRUE(bytes.startsWith("2,1,1,2,1,1,1,2,2,1,\r\n1\r\n\r\n0\r\n"));
  EXPECT_EQ(bytes.count("\r\n"), 120);
  EXPECT_EQ(bytes.count('\n'), 120);
  EXPECT_EQ(loadRemoteCommands(programDir), learned);
}

TEST(RemoteCommands, ShortFileWithLoneLineFeedsIsPadded) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QFile file(dir.filePath("IRRCcomm.ini"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("5,5,5,5,\n1\n");
  file.close();
  const QStringList lines = loadRemoteCommands(dir.path() + QLatin1Char('/'));
  ASSERT_EQ(lines.size(), 120);
  EXPECT_EQ(lines.mid(0, 4), (QStringList{"5,5,5,5,", "1", "", "0"}));
}

}  // namespace
