#include "app/tag_panel.h"
#include "app/form_builders.h"
#include "files/tag_reader.h"

#include <QAbstractButton>
#include <QLineEdit>

namespace tavelo {

using namespace form;

namespace {

struct TagField {
  const char* name;
  const char* caption;
};

constexpr TagField kFields[] = {{"ed_TrackNr", "Track Nr"}, {"ed_Title", "Title"}, {"ed_Artist", "Artist"},
                                {"ed_Album", "Album"},      {"ed_Genre", "Genre"}, {"ed_Year", "Year"},
                                {"ed_Comments", "Comments"}};

constexpr QPoint kPlace{12, 193};
constexpr int kWindowHeight = 382;  // above the frame: the Audio Files height

}  // namespace

TagPanel::TagPanel(QWidget* parent) : SidePanel(parent, "p_ID3info", QRect(16, 134, 376, 236)) {
  int row = 0;
  for (const TagField& field : kFields) {
    QLineEdit* shown = edit(this, field.name, QRect(90, 8 + row * 28, 276, 22));
    shown->setReadOnly(true);
    caption(shown, QLatin1String(field.caption), QRect(8, 10 + row * 28, 80, 18));
    fields_[std::size_t(row)] = shown;
    ++row;
  }
  connect(button(this, "btn_ID3infoClose", QStringLiteral("x"), QRect(346, 206, 22, 22)), &QAbstractButton::clicked,
          this, &TagPanel::btn_ID3infoCloseClick);
}

void TagPanel::ReadID3infoClick(const QString& path, int frameHeight) {
  const std::optional<TagFields> tags = readTagFields(path);
  if (!tags) return;
  showAt(kPlace, frameHeight + kWindowHeight);
  const QString* texts[] = {&tags->trackNr, &tags->title, &tags->artist, &tags->album,
                            &tags->genre,   &tags->year,  &tags->comment};
  for (std::size_t i = 0; i < fields_.size(); ++i) fields_[i]->setText(*texts[i]);
}

void TagPanel::btn_ID3infoCloseClick() { closeByButton(); }

}  // namespace tavelo
