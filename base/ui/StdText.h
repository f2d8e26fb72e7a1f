#pragma once
// The core's std::string texts to and from Qt's, for the windows.
#include <QLineEdit>
#include <QString>
#include <string>

inline QString Q(const std::string& s) { return QString::fromStdString(s); }
inline std::string S(const QString& s) { return s.toStdString(); }
inline std::string Text(const QLineEdit* e) { return e->text().toStdString(); }
inline void SetText(QLineEdit* e, const std::string& s) { e->setText(QString::fromStdString(s)); }
