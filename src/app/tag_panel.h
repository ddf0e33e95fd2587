// The tag panel (p_ID3info): the seven tag fields of a playlist entry, read-only.
#pragma once

#include "app/side_panel.h"

#include <QString>
#include <array>

class QLineEdit;

namespace tavelo {

class TagPanel : public SidePanel {
  Q_OBJECT
 public:
  explicit TagPanel(QWidget* parent);

  // Shows the tags of path below the display, the window grown to the Audio Files height
  // (frameHeight more) when lower. A file the engine cannot open shows nothing and says nothing.
  void ReadID3infoClick(const QString& path, int frameHeight);
  void btn_ID3infoCloseClick();

 private:
  std::array<QLineEdit*, 7> fields_{};  // ed_TrackNr … ed_Comments
};

}  // namespace tavelo
