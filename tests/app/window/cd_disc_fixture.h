// The window in Audio CD mode on CD images written to its "CD Images" folder, for the window
// tests of that mode.
#pragma once

#include "cd_images.h"
#include "program_folder.h"

#include <QComboBox>
#include <QDir>
#include <QListWidget>
#include <gtest/gtest.h>

#include <memory>

class CdDisc : public ::testing::Test {
 protected:
  QString images() const { return folder.path() + QStringLiteral("CD Images"); }
  std::string imagesFolder() const { return images().toStdString(); }

  // The window in Audio CD mode on the images written to "CD Images"; CDDB through proxyPort.
  void start(bool useCddb = false, quint16 proxyPort = 0) {
    const QString cddb = proxyPort ? QStringLiteral("127.0.0.1^%1^^^%2^0^^").arg(proxyPort).arg(useCddb ? 1 : 0)
                                   : QStringLiteral("^^^^%1^0^^").arg(useCddb ? 1 : 0);
    folder.write("Settings.ini", crlfLines({folder.path() + "Record", "10", "", " ", "1", "0", "0^4^", "", "0", "102",
                                            "0^0^0^0^0^", "15^15^15^15^15^15^15^", "/rip^0^4^", cddb, "0^^^"}));
    form = std::make_unique<StartedForm>(folder);
    ASSERT_TRUE(form->create());
    window().Timer2->stop();
  }
  // The window on the three-song TOC image, its track list read.
  void startOnThreeSongs() {
    QDir().mkpath(images());
    tavelo::test::writeTocImage(imagesFolder(), "disc", tavelo::test::threeSongDisc());
    ASSERT_NO_FATAL_FAILURE(start());
    ASSERT_NO_FATAL_FAILURE(useDrive(QStringLiteral("disc.toc")));
    tick();
  }
  // The window on the three songs and a data track, as a BIN/CUE image, its track list read.
  void startOnDataDisc() {
    QDir().mkpath(images());
    tavelo::test::CdImageSpec spec = tavelo::test::threeSongDisc();
    spec.dataTrack = true;
    tavelo::test::writeCueImage(imagesFolder(), "data", "data.bin", spec);
    ASSERT_NO_FATAL_FAILURE(start());
    ASSERT_NO_FATAL_FAILURE(useDrive(QStringLiteral("data.cue")));
    tick();
  }
  TFormMyTavelo& window() { return **form; }
  RecordingDialogs& dialogs() { return form->dialogs; }
  // Makes the image drive whose item begins with name the current one.
  void useDrive(const QString& name) {
    const int index = window().CBCDdrives->findText(name, Qt::MatchStartsWith);
    ASSERT_GE(index, 0) << name.toStdString();
    if (index == window().cdMode().currentDrive()) return;
    window().CBCDdrives->setCurrentIndex(index);
    window().cdMode().CBCDdrivesChange();
  }
  void tick(int count = 2) {
    for (int i = 0; i < count; ++i) window().Timer1Timer();
  }
  QStringList items() {
    QStringList texts;
    for (int i = 0; i < window().ListBox1->count(); ++i) texts << window().ListBox1->item(i)->text();
    return texts;
  }
  DWORD drive() { return DWORD(window().cdMode().currentDrive()); }
  int playingTrack() { return int(BASS_CD_StreamGetTrack(window().cdMode().cdStream(int(drive()))) & 0xffff); }

  ProgramFolder folder;
  std::unique_ptr<StartedForm> form;
};
