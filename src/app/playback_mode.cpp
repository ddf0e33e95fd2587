#include "app/playback_mode.h"

#include "engine/engine.h"
#include "util/fields.h"
#include "files/position_display.h"

#include <QLabel>
#include <QPushButton>

namespace tavelo {

namespace {

constexpr int kInfoLineTicks = 10;

}  // namespace

void PlaybackMode::showStopped() {
  controls_.PBL->setValue(0);
  controls_.PBR->setValue(0);
  controls_.ButtonPause->setEnabled(false);
  controls_.ButtonStop->setEnabled(false);
  controls_.PB1->setEnabled(false);
  window_.SetStopped(true);
  controls_.PB1->setValue(0);
  controls_.Label1->setText(timeDisplayText(0, 0, 0, TimeDisplay::Elapsed));
  controls_.Label9->setText(FormatMinSec(0));
}


QString PlaybackMode::StreamInfoText(std::uint32_t stream) {
  BASS_CHANNELINFO channel{};
  BASS_ChannelGetInfo(stream, &channel);
  StreamInfo info;
  info.flags = channel.flags;
  info.channels = int(channel.chans);
  BASS_ChannelGetAttribute(stream, BASS_ATTRIB_FREQ, &info.frequency);
  info.filePosition = BASS_StreamGetFilePosition(stream, BASS_FILEPOS_CURRENT);
  return tavelo::StreamInfoText(info, bitRate_);
}

void PlaybackMode::showStreamInfo(std::uint32_t stream) {
  if (controls_.Label34->isVisible() && controls_.Timer1->tag() % kInfoLineTicks == 0)
    controls_.Label34->setText(StreamInfoText(stream));
}

}  // namespace tavelo
