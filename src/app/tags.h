// The small integer each control or timer may carry (open request, band number, tick counter ...).
#pragma once

#include <QObject>
#include <QVariant>

namespace tavelo {

inline int tagOf(const QObject* object) { return object->property("tag").toInt(); }
inline void setTag(QObject* object, int value) { object->setProperty("tag", value); }

}  // namespace tavelo
