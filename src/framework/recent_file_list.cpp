#include "framework/recent_file_list.h"

#include <QFileInfo>
#include <QSettings>

namespace vantoria {
namespace {

const QString kSection = QStringLiteral("Recent File List");

QString EntryKey(int index) {
  return QStringLiteral("File%1").arg(index + 1);
}

// Two spellings of one file (relative, via "..") count as the same entry.
QString Normalised(const QString& path) {
  return QFileInfo(path).absoluteFilePath();
}

}  // namespace

CRecentFileList::CRecentFileList(int maxEntries) : m_nMaxEntries(maxEntries) {}

void CRecentFileList::ReadList() {
  QSettings settings;
  settings.beginGroup(kSection);
  m_entries.clear();
  for (int i = 0; i < m_nMaxEntries; ++i) {
    const QString path = settings.value(EntryKey(i)).toString();
    if (!path.isEmpty()) {
      m_entries.append(path);
    }
  }
}

void CRecentFileList::WriteList() const {
  QSettings settings;
  settings.remove(kSection);
  settings.beginGroup(kSection);
  for (int i = 0; i < m_entries.size(); ++i) {
    settings.setValue(EntryKey(i), m_entries.at(i));
  }
}

void CRecentFileList::Add(const QString& path) {
  if (path.isEmpty()) {
    return;
  }
  const QString entry = Normalised(path);
  m_entries.removeAll(entry);
  m_entries.prepend(entry);
  while (m_entries.size() > m_nMaxEntries) {
    m_entries.removeLast();
  }
}

void CRecentFileList::Remove(const QString& path) {
  m_entries.removeAll(Normalised(path));
}

}  // namespace vantoria
