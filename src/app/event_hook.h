// Hands the events of a watched object (a control, the window, the whole application) to a
// function, so a handler of the window can see them without the window's own eventFilter.
#pragma once

#include <QObject>
#include <functional>
#include <utility>

namespace tavelo {

class EventHook : public QObject {
 public:
  // handler returns true when the event is used up and must not reach the watched object.
  using Handler = std::function<bool(QObject* watched, QEvent* event)>;
  EventHook(QObject* parent, Handler handler) : QObject(parent), handler_(std::move(handler)) {}
  bool eventFilter(QObject* watched, QEvent* event) override { return handler_(watched, event); }

 private:
  Handler handler_;
};

}  // namespace tavelo
