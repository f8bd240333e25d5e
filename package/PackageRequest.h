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

    enum class Input
    {
        Left,
        Right,
        Output,
        Name,
        Author,
    };

    // The inputs not given, in the order above: those empty, and those still holding the text
    // their box started with (one of `placeholders`; an empty one stands for none).
    QList<Input> missingInputs(const PackageRequest& placeholders = {}) const;
};
