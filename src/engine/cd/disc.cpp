#include "engine/cd/disc.h"

#include "engine/cd/cd_text.h"
#include "engine/cd/disc_id.h"

#include <cdio/cdio.h>
#include <cdio/cdtext.h>

namespace tavelo::engine::cd {
namespace {

constexpr struct {
  cdtext_field_t field;
  const char* key;
} kTextFields[] = {
    {CDTEXT_FIELD_TITLE, "TITLE"},       {CDTEXT_FIELD_PERFORMER, "PERFORMER"}, {CDTEXT_FIELD_SONGWRITER, "SONGWRITER"},
    {CDTEXT_FIELD_COMPOSER, "COMPOSER"}, {CDTEXT_FIELD_ARRANGER, "ARRANGER"},   {CDTEXT_FIELD_MESSAGE, "MESSAGE"},
    {CDTEXT_FIELD_GENRE, "GENRE"},       {CDTEXT_FIELD_ISRC, "ISRC"},           {CDTEXT_FIELD_UPC_EAN, "UPC"},
};

// The first block's texts (libcdio selects the first language by default): the disc's, then each
// track's.
std::string readCdText(CdIo_t* cdio, track_t first, std::size_t count) {
  const cdtext_t* text = cdio_get_cdtext(cdio);
  if (text == nullptr) {
    return {};
  }
  std::vector<CdTextEntry> entries;
  for (std::size_t i = 0; i <= count; ++i) {
    const auto track = static_cast<track_t>(i == 0 ? 0 : first + i - 1);
    for (const auto& field : kTextFields) {
      if (const char* value = cdtext_get_const(text, field.field, track)) {
        entries.push_back({field.key, static_cast<int>(i), value});
      }
    }
  }
  return cdTextBlock(entries);
}

}  // namespace

Disc readDisc(CdIo_t* cdio, const std::vector<bool>& bigEndian) {
  Disc disc;
  const track_t first = cdio_get_first_track_num(cdio);
  const track_t count = cdio_get_num_tracks(cdio);
  if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0) {
    return disc;
  }
  const lba_t leadOut = cdio_get_track_lba(cdio, CDIO_CDROM_LEADOUT_TRACK);
  std::vector<std::int32_t> starts;
  for (track_t i = 0; i < count; ++i) {
    const auto number = static_cast<track_t>(first + i);
    const lba_t start = cdio_get_track_lba(cdio, number);
    if (start == CDIO_INVALID_LBA) {
      return {};
    }
    Track track;
    track.start = start;
    track.audio = cdio_get_track_format(cdio, number) == TRACK_FORMAT_AUDIO;
    track.bigEndian = i < bigEndian.size() && bigEndian[i];
    disc.tracks.push_back(track);
    starts.push_back(start);
  }
  if (leadOut == CDIO_INVALID_LBA || leadOut <= disc.tracks.back().start) {
    return {};
  }
  for (std::size_t i = 0; i < disc.tracks.size(); ++i) {
    const std::int32_t end = i + 1 < disc.tracks.size() ? disc.tracks[i + 1].start : leadOut;
    disc.tracks[i].sectors = end - disc.tracks[i].start;
  }
  disc.leadOut = leadOut;
  disc.cddb = cddbQueryText(starts, leadOut);
  disc.cdText = readCdText(cdio, first, count);
  return disc;
}

}  // namespace tavelo::engine::cd
