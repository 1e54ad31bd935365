// Frames kept in a text file, one a line: the first word of a line is a frame of 21 hexadecimal digits
// ending "DA"; what follows it on the line, blank lines and lines starting with "#" are ignored.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The frames of the file in order, upper case; empty with *error set when the file cannot be read or a
// line does not start with a frame.
QList<QByteArray> readFrameFile(const QString& path, QString* error);
