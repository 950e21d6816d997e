#include "gui/file_filter.h"

#include <QStringList>

namespace ormakin {

QString ToDialogFilter(const std::string& filter) {
  const QStringList parts = QString::fromUtf8(filter).split(u'|');
  QStringList entries;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns;
    for (const QString& pattern : parts[i + 1].split(u';', Qt::SkipEmptyParts)) {
      const QString trimmed = pattern.trimmed();
      if (!trimmed.isEmpty()) patterns << trimmed;
    }
    if (patterns.isEmpty()) patterns << QStringLiteral("*");
    entries << QStringLiteral("%1 (%2)").arg(parts[i].trimmed(), patterns.join(u' '));
  }
  return entries.join(QStringLiteral(";;"));
}

}  // namespace ormakin
