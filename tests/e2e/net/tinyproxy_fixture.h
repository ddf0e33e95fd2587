#pragma once
// tinyproxy on 127.0.0.1 with basic authentication (user "user", password "pass").

#include <QProcess>
#include <QTemporaryDir>

class Tinyproxy {
public:
  Tinyproxy();
  ~Tinyproxy();

  quint16 Port() const { return m_port; }

private:
  QTemporaryDir m_dir;
  QProcess m_process;
  quint16 m_port = 0;
};
