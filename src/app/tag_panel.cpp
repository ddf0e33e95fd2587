#include "app/tag_panel.h"
#include "app/form_builders.h"

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

}  // namespace

TagPanel::TagPanel(QWidget* parent) : SidePanel(parent, "p_ID3info", QRect(16, 134, 376, 236)) {
  int row = 0;
  for (const TagField& field : kFields) {
    QLineEdit* shown = edit(this, field.name, QRect(90, 8 + row * 28, 276, 22));
    shown->setReadOnly(true);
    caption(shown, QLatin1String(field.caption), QRect(8, 10 + row * 28, 80, 18));
    ++row;
  }
  closeOn(button(this, "btn_ID3infoClose", QStringLiteral("x"), QRect(346, 206, 22, 22)));
}

}  // namespace tavelo
