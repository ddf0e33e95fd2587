#include "files_fixture.h"

#include "engine/engine.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <thread>

namespace {

constexpr int kWaitLimitMs = 20000;

template <class Condition>
bool waitFor(Condition done, bool runEvents) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > kWaitLimitMs) return false;
    if (runEvents) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

}  // namespace

void FilesWindow::SetUp() {
  ASSERT_TRUE(musicDir_.isValid());
  ASSERT_TRUE(form.create());
  ASSERT_EQ(form->CurrentMode, 0);
}

QString FilesWindow::tone(const QString& name, double seconds, int hz) const {
  const QString path = music(name);
  QProcess ffmpeg;
  ffmpeg.start(QStringLiteral("ffmpeg"),
               {"-v", "error", "-y", "-f", "lavfi", "-i",
                QStringLiteral("sine=frequency=%1:sample_rate=22050:duration=%2").arg(hz).arg(seconds), "-ac", "1",
                path});
  EXPECT_TRUE(ffmpeg.waitForFinished(60000));
  EXPECT_EQ(ffmpeg.exitCode(), 0) << ffmpeg.readAllStandardError().toStdString();
  return path;
}

QString FilesWindow::garbage(const QString& name) const {
  QByteArray noise(8192, '\0');
  for (int i = 0; i < noise.size(); ++i) noise[i] = char((i * 7919) % 251);
  return text(name, noise);
}

QString FilesWindow::text(const QString& name, const QByteArray& content) const {
  const QString path = music(name);
  QFile out(path);
  EXPECT_TRUE(out.open(QIODevice::WriteOnly));
  out.write(content);
  return path;
}

void FilesWindow::open(const QString& path) {
  form.dialogs.chosenFiles.enqueue({path});
  form->ButtonOpen->click();
  waitForFolderScan();
}

void FilesWindow::waitForFolderScan() {
  ASSERT_TRUE(waitFor([this] { return !form->filesMode().folderScanRunning(); }, true));
}

void FilesWindow::waitUntilEnded() {
  ASSERT_TRUE(waitFor([this] { return !streamActive(); }, false));
}

void FilesWindow::waitUntilPosition(double seconds) {
  ASSERT_TRUE(waitFor([&] { return positionSeconds() >= seconds || !streamActive(); }, false));
  ASSERT_TRUE(streamActive());
}

double FilesWindow::positionSeconds() {
  const DWORD stream = form->filesMode().stream();
  return BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetPosition(stream, BASS_POS_BYTE));
}

bool FilesWindow::streamActive() { return BASS_ChannelIsActive(form->filesMode().stream()) != BASS_ACTIVE_STOPPED; }

void FilesWindow::tick(int count) {
  for (int i = 0; i < count; ++i) form->Timer1Timer();
}

QStringList FilesWindow::items() {
  QStringList texts;
  for (int row = 0; row < form->ListBox1->count(); ++row) texts << form->ListBox1->item(row)->text();
  return texts;
}
