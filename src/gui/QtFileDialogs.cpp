#include "gui/QtFileDialogs.h"

#include <QFileDialog>
#include <QRegularExpression>
#include <QStringList>

namespace qv {

QString QtNameFilters(const std::string& hostFilter) {
    const QStringList parts = QString::fromStdString(hostFilter).split(QLatin1Char('|'));
    QStringList filters;
    static const QRegularExpression ownPatterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        if (description.isEmpty() && i + 1 >= parts.size()) continue;
        QStringList patterns;
        if (i + 1 < parts.size())
            for (QString p : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
                p = p.trimmed();
                if (p == QLatin1String("*.*")) p = QStringLiteral("*");
                if (!p.isEmpty()) patterns << p;
            }
        if (patterns.isEmpty()) patterns << QStringLiteral("*");
        description.remove(ownPatterns);
        filters << description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')');
    }
    return filters.join(QStringLiteral(";;"));
}

std::vector<std::string> QtFileDialogs::OpenFiles(const std::string& title,
                                                  const std::string& filter,
                                                  const std::string& startFolder,
                                                  bool multiSelect) {
    QFileDialog dialog(parent_, QString::fromStdString(title), QString::fromStdString(startFolder),
                       QtNameFilters(filter));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(multiSelect ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    std::vector<std::string> paths;
    if (dialog.exec() != QDialog::Accepted) return paths;
    for (const QString& file : dialog.selectedFiles())
        paths.push_back(file.toStdString());
    if (!multiSelect && paths.size() > 1) paths.resize(1);
    return paths;
}

} // namespace qv
