// A started window in Net Radio mode whose radio list names stations on a scripted server, and
// the sound such a server sends: real MP3 and Ogg made by ffmpeg.
#pragma once

#include "program_folder.h"
#include "scripted_http_server.h"

#include <QByteArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QStringList>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

class RadioFixture : public ::testing::Test {
 public:
  struct Station {
    QString name, url, proxy;
    bool forceEncode = false;
  };

 protected:
  // Starts the window on a radio list of these stations (1, 2 …), Net Radio first.
  void start(const QList<Station>& stations);
  TFormMyTavelo& form() { return **started; }
  RecordingDialogs& dialogs() { return started->dialogs; }
  void click(int station);
  // Processes events until done() or the time is up; false on time-out.
  static bool waitFor(const std::function<bool()>& done, int milliseconds = 10000);
  void tick(int count = 1);
  QString status();

  // seconds of a tone rising from 440 Hz as 128 kbps MP3 or, with extension ".ogg", Vorbis.
  static QByteArray tone(double seconds, const std::string& extension = ".mp3");
  static QByteArray mp3(double seconds) { return tone(seconds); }
  // An "ICY 200 OK" reply's head with the station's name and bitrate.
  static QString icyHead(int metaint);
  static QString bytesAsText(const QByteArray& bytes) { return QString::fromLatin1(bytes); }
  // A server step sending sound as a radio server does: an ICY block after every metaint bytes
  // (meta[i] in block i, the whole block text), paced to bytesPerSecond of sound.
  QJsonObject paced(const QByteArray& sound, int metaint, const QStringList& meta, int bytesPerSecond);

  ProgramFolder folder;
  QTemporaryDir streams;
  std::unique_ptr<StartedForm> started;

 private:
  int streams_ = 0;
};
