#include "cddb_fixture.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <stdexcept>

CddbFixture::CddbFixture(const QStringList& aliases) {
  QStringList arguments{QStringLiteral(TAVELO_CD_E2E_DIR "/cddb_fixture.py"), QStringLiteral("--log"),
                        dir_.filePath(QStringLiteral("requests.log"))};
  for (const QString& alias : aliases) arguments << QStringLiteral("--alias") << alias;
  process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  process_.start(QStringLiteral("python3"), arguments);
  while (!process_.canReadLine() && process_.waitForReadyRead(10000)) {
  }
  const QList<QByteArray> words = process_.readLine().trimmed().split(' ');
  if (words.value(0) != "PORT" || words.size() != 2) throw std::runtime_error("the CDDB fixture did not start");
  port_ = words[1].toUShort();
}

CddbFixture::~CddbFixture() {
  process_.closeWriteChannel();
  if (!process_.waitForFinished(3000)) {
    process_.kill();
    process_.waitForFinished(3000);
  }
}

QList<QStringList> CddbFixture::requests() const {
  QList<QStringList> requests;
  QFile log(dir_.filePath(QStringLiteral("requests.log")));
  if (!log.open(QIODevice::ReadOnly)) return requests;
  while (!log.atEnd()) {
    QStringList head;
    for (const QJsonValue line : QJsonDocument::fromJson(log.readLine()).object().value(QStringLiteral("head")).toArray())
      head << line.toString();
    requests << head;
  }
  return requests;
}
