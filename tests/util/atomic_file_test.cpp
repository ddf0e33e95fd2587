#include "util/atomic_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tavelo;

namespace {

QByteArray readAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Root writes into read-only folders, so the write runs in a child that drops to "nobody".
FileWriteResult writeAsUnprivilegedUser(const QString& path, const QByteArray& data) {
  if (geteuid() != 0) return writeFileAtomically(path, data);
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return {false, "pipe failed"};
  const pid_t child = fork();
  if (child == 0) {
    close(pipeFds[0]);
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
    const FileWriteResult result = writeFileAtomically(path, data);
    const QByteArray message = result.message.toUtf8();
    if (write(pipeFds[1], message.constData(), message.size()) < 0) _exit(3);
    _exit(result.ok ? 0 : 1);
  }
  close(pipeFds[1]);
  QByteArray message;
  char buffer[512];
  for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;) message.append(buffer, n);
  close(pipeFds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) <= 1) << "child could not run the write";
  return {WIFEXITED(status) && WEXITSTATUS(status) == 0, QString::fromUtf8(message)};
}

class AtomicFileTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    chmod(QFile::encodeName(dir.path()).constData(), 0755);  // the unprivileged child must get in
  }
  QString path(const QString& name) const { return dir.filePath(name); }
  QTemporaryDir dir;
};

TEST_F(AtomicFileTest, CreatesAndReplacesFiles) {
  const QString target = path("Settings.ini");
  ASSERT_TRUE(writeFileAtomically(target, "first\r\n").ok);
  EXPECT_EQ(readAll(target), "first\r\n");
  ASSERT_TRUE(writeFileAtomically(target, "second\r\n").ok);
  EXPECT_EQ(readAll(target), "second\r\n");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"Settings.ini"}) << "no temporary left";
}

TEST_F(AtomicFileTest, ReadOnlyFolderFailsWithAMessageAndKeepsTheOldFile) {
  const QString target = path("Settings.ini");
  ASSERT_TRUE(writeFileAtomically(target, "old contents\r\n").ok);
  ASSERT_EQ(chmod(QFile::encodeName(dir.path()).constData(), 0555), 0);

  const FileWriteResult result = writeAsUnprivilegedUser(target, "new contents\r\n");

  chmod(QFile::encodeName(dir.path()).constData(), 0755);
  EXPECT_FALSE(result.ok);
  EXPECT_TRUE(result.message.contains("Settings.ini")) << result.message.toStdString();
  EXPECT_EQ(readAll(target), "old contents\r\n");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"Settings.ini"});
}

TEST_F(AtomicFileTest, UnwritablePlacesFailWithAMessage) {
  ASSERT_TRUE(QDir(dir.path()).mkdir("folder"));
  for (const QString& target : {path("missing/Settings.ini"), path("folder")}) {
    const FileWriteResult result = writeFileAtomically(target, "data");
    EXPECT_FALSE(result.ok) << target.toStdString();
    EXPECT_FALSE(result.message.isEmpty());
  }
  EXPECT_TRUE(QFileInfo(path("folder")).isDir());
}

}  // namespace
