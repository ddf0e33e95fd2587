// tinyproxy on 127.0.0.1 with basic authentication (user "user", password "pass"), for Qt-free tests.
#pragma once

#include <string>
#include <sys/types.h>

namespace tavelo::test {

class TinyproxyProcess {
public:
  TinyproxyProcess();
  ~TinyproxyProcess();
  TinyproxyProcess(const TinyproxyProcess&) = delete;
  TinyproxyProcess& operator=(const TinyproxyProcess&) = delete;

  int port() const { return port_; }

private:
  std::string dir_;
  pid_t pid_ = -1;
  int port_ = 0;
};

}  // namespace tavelo::test
