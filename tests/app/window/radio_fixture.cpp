#include "radio_fixture.h"

#include "audio_files.h"

#include <QDir>
#include <cmath>
#include <QJsonArray>
#include <QFile>
#include <QLabel>
#include <QTest>
#include <QPushButton>

namespace {

QStringList radioListLines(const QList<RadioFixture::Station>& stations) {
  QStringList lines(90);
  QString flags(30, QLatin1Char('0'));
  for (int i = 0; i < stations.size(); ++i) {
    lines[3 * i] = stations[i].name;
    lines[3 * i + 1] = stations[i].url;
    lines[3 * i + 2] = stations[i].proxy;
    if (stations[i].forceEncode) flags[i] = QLatin1Char('1');
  }
  return lines << flags;
}

}  // namespace

void RadioFixture::start(const QList<Station>& stations) {
  const QString list = folder.path() + QStringLiteral("RLists/Tavelo.rls");
  QDir().mkpath(folder.path() + QStringLiteral("RLists"));
  folder.write(QStringLiteral("RLists/Tavelo.rls"), crlfLines(radioListLines(stations)));
  folder.write(QStringLiteral("Settings.ini"),
               crlfLines({folder.path() + QStringLiteral("Record"), "10", list, " ", "1", "0", "0^4^", "", "0", "201"}));
  started = std::make_unique<StartedForm>(folder);
  ASSERT_TRUE(started->create());
  form().Timer2->stop();
  form().show();
}

void RadioFixture::click(int station) { form().StationButtons[std::size_t(station)]->click(); }

bool RadioFixture::waitFor(const std::function<bool()>& done, int milliseconds) {
  return QTest::qWaitFor(done, milliseconds);
}

void RadioFixture::tick(int count) {
  for (int i = 0; i < count; ++i) form().Timer1Timer();
}

QString RadioFixture::status() { return form().Label5->text(); }

QByteArray RadioFixture::tone(double seconds, const std::string& extension) {
  QDir::setCurrent(QDir::tempPath());  // a closed window's program folder is gone
  tavelo::test::TempDir dir;
  const std::string wav = dir.file("tone.wav"), out = dir.file("tone" + extension);
  constexpr std::uint32_t kRate = 44100;
  // A rising tone: no two stretches of the file are alike.
  const auto sweep = [](std::int64_t frame, int) {
    const double t = double(frame) / kRate;
    return 0.5 * std::sin(2 * M_PI * 440 * t * (1 + t / 20));
  };
  tavelo::test::writeWav(wav, kRate, 2, std::int64_t(seconds * kRate), sweep);
  const std::string format =
      extension == ".ogg" ? " -c:a libvorbis -b:a 128k " : " -b:a 128k -id3v2_version 0 -write_xing 0 ";
  if (!tavelo::test::run("ffmpeg -loglevel error -y -i '" + wav + "'" + format + "'" + out + "'"))
    return {};
  QFile file(QString::fromStdString(out));
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString RadioFixture::icyHead(int metaint) {
  return QStringLiteral("ICY 200 OK\r\nicy-name:Test FM\r\nicy-br:128\r\ncontent-type:audio/mpeg\r\nicy-metaint:%1\r\n\r\n")
      .arg(metaint);
}

QJsonObject RadioFixture::paced(const QByteArray& sound, int metaint, const QStringList& meta, int bytesPerSecond) {
  const QString path = streams.filePath(QStringLiteral("sound%1").arg(streams_++));
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(sound) != sound.size()) return {};
  return {{"stream", path},
          {"metaint", metaint},
          {"meta", QJsonArray::fromStringList(meta)},
          {"chunk", 4096},
          {"bytes_per_second", bytesPerSecond}};
}
