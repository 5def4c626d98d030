#pragma once

#include <QString>
#include <QStringList>

namespace vantoria {

// The most recently opened or saved files, newest first, kept in the application's settings
// under "Recent File List" as File1, File2, ... No menu shows the list yet; it is kept so a
// later menu or the desktop can offer it.
class CRecentFileList {
 public:
  explicit CRecentFileList(int maxEntries);

  // Reads the list from the settings.
  void ReadList();
  // Writes the list to the settings.
  void WriteList() const;
  // Puts the path first, dropping an older entry for the same file and the oldest beyond the
  // maximum.
  void Add(const QString& path);

  const QStringList& Entries() const { return m_entries; }
  int MaxEntries() const { return m_nMaxEntries; }

 private:
  int m_nMaxEntries;
  QStringList m_entries;
};

}  // namespace vantoria
