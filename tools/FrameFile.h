// Frames kept in a text file, one a line: a line's first word is a frame of 21 hexadecimal digits ending
// "DA". The tests' golden frame files ("before <frame>", "frame <frame>", then what the frame must do) are
// read as well: their frames are taken in order and the other lines ignored. Blank lines and lines
// starting with "#" are skipped.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The frames of the file in order, upper case; empty with *error set when the file cannot be read, holds no
// frame, or has a line of hexadecimal digits that is no frame.
QList<QByteArray> readFrameFile(const QString& path, QString* error);
