// The skin description read from data/skin: dialogs, their controls and the key caps.
#pragma once

#include <QList>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

namespace skingen {

struct Control {
    QString key;   // skin key in section BUTTONINFO
    QString kind;  // how it is drawn (see data/skin/main.txt)
    QRect rect;
    QString argument;  // caption, glyph or legend
    QString page;      // documentation: the page of the dialog it belongs to
    int led = -1;      // key caps: colour index
    bool tall = false;
};

struct Picture {
    QString file;
    QString state;    // normal, over, down, disable, color0, color1
    QString variant;  // page variant of the composite dialog, or empty
};

struct Panel {
    QRect rect;
    QString title;
};

struct Decoration {
    QPoint at;
    int size = 12;
    QString text;
};

struct Frame {
    QString key;
    QString direction;  // up or down
    QRect rect;
};

struct IniValue {
    QString section;
    QString key;
    QString value;
};

struct Dialog {
    QString iniName;
    QSize size;
    int radius = 0;
    QString background;
    QString mask;
    QList<Picture> pictures;
    QList<Panel> panels;
    QList<Decoration> texts;
    QList<Control> controls;
    QList<IniValue> ini;
    QString arrowSheet;
    QList<Frame> frames;
};

struct UserMode {
    QString name;
    int tool = 0;
    QString base;
    QString free;
    QString pattern;
    QStringList colours;  // pattern colours as "r,g,b" or "base"
    QStringList keys;     // key ids for the "keys" pattern
};

// Splits a line into words; "double quotes" keep blanks inside one word and \" is a
// quote character.
QStringList splitWords(const QString& line);

// Key caps from keyboard.txt placed at `origin`; false with a message on a bad line.
bool readKeyboard(const QString& path, QPoint origin, QList<Control>& keys, QString& error);
bool readDialog(const QString& path, const QString& keyboardPath, Dialog& dialog, QString& error);
bool readUserModes(const QString& path, QList<UserMode>& modes, QString& error);

// The skin key of a KeyId written in hex ("FN" for the Fn key).
QString skinKeyOfKeyId(const QString& hexId);

}  // namespace skingen
