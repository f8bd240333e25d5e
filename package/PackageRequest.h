#pragma once

#include <QList>
#include <QString>

// How an icon file that is a picture (PNG, JPEG, BMP, GIF, WebP, SVG) is stored.
enum class PictureStorage
{
    MadeIntoIcons,
    AsTheyAre,
};

// The five inputs of one TVK file, as the user gave them.
struct PackageRequest
{
    QString leftPath;
    QString rightPath;
    QString outputPath;
    QString name;
    QString author;
    // Each icon's: the window stores the icons of a TVK file it opened as they are, so that
    // converting it unchanged writes the same file.
    PictureStorage leftPictures = PictureStorage::MadeIntoIcons;
    PictureStorage rightPictures = PictureStorage::MadeIntoIcons;

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
    QList<Input> missingInputs(const PackageRequest& placeholders) const;
    QList<Input> missingInputs() const { return missingInputs(PackageRequest()); }
};
