// The tag panel: the seven fields of real files tagged by TagLib (MP3 with ID3v1 or ID3v2.4, Ogg,
// FLAC, M4A), read through the list's "Read ID3 info"; bad files show no panel and no message.
#include "app/tag_panel.h"
#include "engine/engine.h"
#include "files_fixture.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <sys/stat.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/fileref.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tag.h>

using namespace tavelo;

namespace {

const char* const kEdits[] = {"ed_TrackNr", "ed_Title", "ed_Artist", "ed_Album", "ed_Genre", "ed_Year", "ed_Comments"};

struct Tags {
  const char* title;
  const char* artist;
  const char* album;
  const char* genre;
  const char* comment;
  unsigned track;
  unsigned year;
};

void fill(TagLib::Tag* tag, const Tags& t) {
  tag->setTitle(TagLib::String(t.title, TagLib::String::UTF8));
  tag->setArtist(TagLib::String(t.artist, TagLib::String::UTF8));
  tag->setAlbum(TagLib::String(t.album, TagLib::String::UTF8));
  tag->setGenre(TagLib::String(t.genre, TagLib::String::UTF8));
  tag->setComment(TagLib::String(t.comment, TagLib::String::UTF8));
  tag->setTrack(t.track);
  tag->setYear(t.year);
}

enum class Writer { Id3v1, Id3v24, Generic };

bool writeTags(const QString& path, Writer writer, const Tags& tags) {
  const QByteArray file = QFile::encodeName(path);
  if (writer == Writer::Generic) {
    TagLib::FileRef ref(file.constData());
    if (ref.isNull()) return false;
    fill(ref.tag(), tags);
    return ref.save();
  }
  TagLib::MPEG::File mp3(file.constData());
  if (writer == Writer::Id3v1) {
    fill(mp3.ID3v1Tag(true), tags);
    return mp3.save(TagLib::MPEG::File::ID3v1, TagLib::File::StripOthers);
  }
  fill(mp3.ID3v2Tag(true), tags);
  return mp3.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripOthers, TagLib::ID3v2::v4);
}

class TagPanelWindow : public FilesWindow {
 protected:
  // FLAC and M4A come through the FFmpeg plug-in and its decoder module.
  void SetUp() override {
#ifdef TAVELO_TEST_PLUGIN
    QDir().mkpath(program_.path() + "Plug-ins/ffmpeg");
    ASSERT_TRUE(QFile::copy(TAVELO_TEST_PLUGIN, program_.path() + "Plug-ins/ffmpeg.so"));
    const QString builtPlugins = QFileInfo(QStringLiteral(TAVELO_TEST_PLUGIN)).path();
    ASSERT_TRUE(QFile::copy(builtPlugins + "/ffmpeg/decoder.so", program_.path() + "Plug-ins/ffmpeg/decoder.so"));
#endif
    FilesWindow::SetUp();
  }
  // The list's context menu on the entry of path, then "Read ID3 info".
  void readEntry(const QString& path) {
    QListWidget* list = form->ListBox1;
    const int index = int(form->filesMode().pathList().indexOf(path));
    ASSERT_GE(index, 0) << "not listed";
    form->ListBox1ContextPopup(list->visualItemRect(list->item(index)).center());
    form->PM1->findChild<QAction*>(QStringLiteral("ReadID3info"))->trigger();
    form->PM1->hide();
  }
  QStringList shownFields() {
    QStringList texts;
    for (const char* name : kEdits) texts << form->findChild<QLineEdit*>(QLatin1String(name))->text();
    return texts;
  }
  bool panelShown() { return form->tagPanel()->isVisibleTo(&*form); }
};

struct FormatCase {
  const char* name;
  const char* file;
  Writer writer;
  Tags tags;
  QStringList expected;
};

TEST_F(TagPanelWindow, TheSevenFieldsOfEachTaggedFormatAreShownInUnicode) {
  const FormatCase cases[] = {
      {"MP3 with ID3v1 (Latin-1)", "v1.mp3", Writer::Id3v1, {"Grüße", "Artist", "Album", "Rock", "Note", 3, 1999},
       {"3", "Grüße", "Artist", "Album", "Rock", "1999", "Note"}},
      {"MP3 with ID3v2.4", "v24.mp3", Writer::Id3v24, {"Titel — 東京", "Künstler", "Album", "Jazz", "Kommentar", 12, 2021},
       {"12", "Titel — 東京", "Künstler", "Album", "Jazz", "2021", "Kommentar"}},
      {"Ogg Vorbis", "tagged.ogg", Writer::Generic, {"Ögg", "A", "B", "Pop", "C", 1, 2000},
       {"1", "Ögg", "A", "B", "Pop", "2000", "C"}},
      {"FLAC", "tagged.flac", Writer::Generic, {"Flac ✓", "A", "B", "Folk", "C", 7, 1970},
       {"7", "Flac ✓", "A", "B", "Folk", "1970", "C"}},
      {"M4A", "tagged.m4a", Writer::Generic, {"Ünicode", "A", "B", "Blues", "C", 9, 2010},
       {"9", "Ünicode", "A", "B", "Blues", "2010", "C"}},
  };
  for (const FormatCase& c : cases) {
    SCOPED_TRACE(c.name);
    const QString path = tone(QLatin1String(c.file), 1);
    ASSERT_TRUE(writeTags(path, c.writer, c.tags));
    open(path);
    form->tagPanel()->hide();
    readEntry(path);
    EXPECT_TRUE(panelShown());
    EXPECT_EQ(shownFields(), c.expected);
  }
  EXPECT_TRUE(form.dialogs.messages.isEmpty());
}

TEST_F(TagPanelWindow, AnUntaggedFileShowsSevenEmptyFieldsAndTheOldTextsGo) {
  const QString tagged = tone(QStringLiteral("tagged.flac"), 1);
  ASSERT_TRUE(writeTags(tagged, Writer::Generic, {"T", "A", "B", "G", "C", 1, 2000}));
  open(tagged);
  readEntry(tagged);
  const QString plain = tone(QStringLiteral("plain.wav"), 1);
  open(plain);
  readEntry(plain);
  EXPECT_TRUE(panelShown());
  EXPECT_EQ(shownFields(), QStringList(7, QString()));
}

TEST_F(TagPanelWindow, ReadingTagsLeavesPlaybackAsItWas) {
  const QString path = tone(QStringLiteral("long.mp3"), 20);
  open(path);
  const std::uint32_t stream = form->filesMode().stream();
  waitUntilPosition(0.3);
  readEntry(path);
  EXPECT_EQ(form->filesMode().stream(), stream);
  EXPECT_EQ(BASS_ChannelIsActive(stream), DWORD{BASS_ACTIVE_PLAYING});
  const double before = positionSeconds();
  waitUntilPosition(before + 0.3);
}

TEST_F(TagPanelWindow, TheCloseButtonHidesThePanel) {
  const QString path = tone(QStringLiteral("plain.wav"), 1);
  open(path);
  readEntry(path);
  ASSERT_TRUE(panelShown());
  EXPECT_EQ(form->tagPanel()->pos(), QPoint(12, 193));
  form->findChild<QAbstractButton*>(QStringLiteral("btn_ID3infoClose"))->click();
  EXPECT_FALSE(panelShown());
}

TEST_F(TagPanelWindow, AFileDeletedAfterListingShowsNothing) {
  const QString path = tone(QStringLiteral("gone.wav"), 1);
  open(path);
  form->ButtonStop->click();
  ASSERT_TRUE(QFile::remove(path));
  readEntry(path);
  EXPECT_FALSE(panelShown());
  EXPECT_TRUE(form.dialogs.messages.isEmpty());
}

// An MP3 whose ID3v2 header claims more bytes than the file has, before a real MPEG stream.
QByteArray oversizedId3v2(const QByteArray& mp3) {
  QByteArray header("ID3\x04\x00\x00", 6);
  header += QByteArray("\x7f\x7f\x7f\x7f", 4);  // 256 MB, synchsafe
  return header + QByteArray("TIT2\x00\x00\x00\x05\x00\x00\x03" "abcd", 15) + mp3;
}

// Frames of noise after a well-formed header.
QByteArray garbageFrames(const QByteArray& mp3) {
  QByteArray frames;
  for (int i = 0; i < 600; ++i) frames += char((i * 131) % 251);
  QByteArray header("ID3\x03\x00\x00\x00\x00\x04\x58", 10);  // 600 bytes
  return header + frames + mp3;
}

// A 20 MB picture in the ID3v2.4 tag of a real MP3 titled "Big".
bool addHugePicture(const QString& path) {
  TagLib::MPEG::File mp3(QFile::encodeName(path).constData());
  auto* picture = new TagLib::ID3v2::AttachedPictureFrame;
  picture->setMimeType("image/jpeg");
  picture->setPicture(TagLib::ByteVector(20 * 1024 * 1024, '\xff'));
  TagLib::ID3v2::Tag* tag = mp3.ID3v2Tag(true);
  tag->setTitle("Big");
  tag->addFrame(picture);
  return mp3.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripOthers, TagLib::ID3v2::v4);
}

TEST_F(TagPanelWindow, AHugePictureDoesNotKeepTheFieldsFromShowing) {
  const QString path = tone(QStringLiteral("big.mp3"), 1);
  ASSERT_TRUE(addHugePicture(path));
  form->tagPanel()->ReadID3infoClick(path, form->FrameHeight);
  EXPECT_TRUE(panelShown());
  EXPECT_EQ(shownFields().value(1), QStringLiteral("Big"));
}

TEST_F(TagPanelWindow, BadFilesShowNoPanelOrEmptyFieldsAndNeverAMessage) {
  const QString mp3Path = tone(QStringLiteral("base.mp3"), 1);
  QFile base(mp3Path);
  ASSERT_TRUE(base.open(QIODevice::ReadOnly));
  const QByteArray mp3 = base.readAll();

  const QString empty = text(QStringLiteral("empty.mp3"), {});
  const QString notSound = text(QStringLiteral("letter.mp3"), QByteArray("Dear reader,\n").repeated(200));
  const QString folder = music(QStringLiteral("folder.mp3"));
  ASSERT_TRUE(QDir().mkpath(folder));
  const QString fifo = music(QStringLiteral("fifo.mp3"));
  ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  const QString oversized = text(QStringLiteral("oversized.mp3"), oversizedId3v2(mp3));
  const QString garbage = text(QStringLiteral("garbage.mp3"), garbageFrames(mp3));

  for (const QString& path : {empty, notSound, folder, fifo, oversized, garbage}) {
    SCOPED_TRACE(path.toStdString());
    form->tagPanel()->hide();
    form->tagPanel()->ReadID3infoClick(path, form->FrameHeight);  // returns: no hang on the FIFO
    if (panelShown()) {
      for (const QString& field : shownFields()) EXPECT_LT(field.size(), 64) << "no garbage as a field";
    }
  }
  EXPECT_TRUE(form.dialogs.messages.isEmpty());
}

}  // namespace
