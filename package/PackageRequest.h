#pragma once

#include <QList>
#include <QString>

// The five inputs of one TVK file, as the user gave them.
struct PackageRequest
{
    QString leftPath;
    QString rightPath;
    QString outputPath;
    QString name;
    QString author;

    enum class Field
    {
        Left,
        Right,
        Output,
        Name,
        Author,
    };

    // The fields not given, in the order above: those left empty, and those
    // still holding the text their box started with (a field of `placeholders`;
    // an empty one stands for no placeholder). The one check of what is
    // missing, which the window and `tvk pack` and `batch` each tell their way.
    QList<Field> missingFields(const PackageRequest& placeholders = {}) const;
};
