// The open dialog's file types and the list of playable extensions.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace tavelo {

// One format a loaded plug-in declares: its name and its patterns ("*.flac;*.fla").
struct PluginFormat {
  QString name;
  QString extensions;
};

struct OpenDialogFilter {
  // Pairs "caption|patterns|caption|patterns…"; the first pair offers every playable file and CUE sheets.
  QString filter;
  // Every playable pattern followed by ";" ("*.mp3;*.mp2;…;"); an extension is playable when
  // "*" + extension + ";" occurs in it.
  QString extensionList;
};

// The built-in formats followed by the plug-ins' formats in the order given.
OpenDialogFilter buildOpenDialogFilter(const QList<PluginFormat>& pluginFormats);

// The filter as QFileDialog name filters: "caption (pattern pattern …)"; a caption that
// already ends in its patterns ("CUE Files (*.cue)") shows them once.
QStringList toNameFilters(const QString& filter);

// Whether the file's extension (case-insensitive) occurs in the extension list.
bool isPlayableExtension(const QString& extensionList, const QString& path);

// Plug-in libraries in pluginDir ("*.so"), sorted by name so loading order is stable.
QStringList pluginLibraries(const QString& pluginDir);

}  // namespace tavelo
