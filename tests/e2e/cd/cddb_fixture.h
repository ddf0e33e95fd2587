// cddb_fixture.py on 127.0.0.1: a CDDB server whose answers the disc id chooses, and the request
// heads it received.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class CddbFixture {
 public:
  // aliases: "id=known": a query for disc id is answered as the fixture's disc known.
  explicit CddbFixture(const QStringList& aliases = {});
  ~CddbFixture();
  quint16 port() const { return port_; }
  QString host() const { return QStringLiteral("127.0.0.1:%1").arg(port_); }
  // The head lines of each request, oldest first.
  QList<QStringList> requests() const;

 private:
  QTemporaryDir dir_;
  QProcess process_;
  quint16 port_ = 0;
};
