#pragma once

#include "chart/podiumside.h"
#include "files/result.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

// The Option file: one line, "True" when the podium stands at the top and
// "False" when it stands at the bottom, ending in CR LF.
class Option
{
public:
    // Reads the first line of the file at path. The value is nullopt when the
    // file is empty or its first line says nothing the program understands:
    // the podium then stays where it is.
    static Result<std::optional<PodiumSide>> read(const QString &path);

    // The podium side a first line stands for: "True" or "False" in any
    // letter case, or a number (0 for the bottom, any other for the top),
    // blanks around it allowed; nullopt for anything else.
    static std::optional<PodiumSide> parse(QByteArrayView firstLine);

    // The bytes Save writes.
    static QByteArray format(PodiumSide side);
};
