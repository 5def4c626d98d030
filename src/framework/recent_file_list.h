#pragma once

#include <QString>
#include <QStringList>

namespace vantoria {

// The most recently opened or saved files, newest first, kept in the application's settings
// under "Recent File List" as File1, File2, ... The File menu lists them.
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
  // Drops the entry for the file, if any.
  void Remove(const QString& path);

  const QStringList& Entries() const { return m_entries; }
  int MaxEntries() const { return m_nMaxEntries; }

 private:
  int m_nMaxEntries;
  QStringList m_entries;
};

}  // namespace vantoria
