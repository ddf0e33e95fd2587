#include "files/tag_reader.h"

#include "engine/engine.h"

#include <QFile>
#include <taglib/fileref.h>
#include <taglib/tag.h>

namespace tavelo {
namespace {

bool engineOpens(const QByteArray& file) {
  const HSTREAM stream = BASS_StreamCreateFile(0, file.constData(), 0, 0, BASS_STREAM_DECODE);
  if (stream == 0) return false;
  BASS_StreamFree(stream);
  return true;
}

QString text(const TagLib::String& value) { return QString::fromStdWString(value.toWString()).trimmed(); }

QString number(unsigned value) { return value == 0 ? QString() : QString::number(value); }

}  // namespace

std::optional<TagFields> readTagFields(const QString& path) {
  const QByteArray file = QFile::encodeName(path);
  if (!engineOpens(file)) return std::nullopt;
  const TagLib::FileRef ref(file.constData(), false);
  const TagLib::Tag* tag = ref.isNull() ? nullptr : ref.tag();
  if (tag == nullptr) return TagFields{};
  return TagFields{number(tag->track()), text(tag->title()), text(tag->artist()), text(tag->album()),
                   text(tag->genre()),   number(tag->year()), text(tag->comment())};
}

}  // namespace tavelo
