#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <vector>

// An independent reading of a written metafile, for the tests: it takes nothing from the
// writer but the function numbers, and says what is wrong instead of trusting the bytes.
namespace kelmor::test {

struct MetafileRecord {
    quint16 function = 0;
    quint32 words = 0;
    QByteArray params;
    qint16 Word(int index) const;  // a parameter word, signed as coordinates are
};

struct Metafile {
    QString problem;  // empty when the file is well formed
    qint16 left = 0, top = 0, right = 0, bottom = 0;
    quint16 unitsPerInch = 0;
    quint16 headerType = 0;
    quint16 headerWords = 0;
    quint16 version = 0;
    quint32 sizeWords = 0;
    quint16 objectCount = 0;
    quint32 maxRecordWords = 0;
    std::vector<MetafileRecord> records;  // the end record last

    std::vector<MetafileRecord> Of(quint16 function) const;
};

Metafile ReadMetafile(const QByteArray& bytes);

// Plays the object records against a handle table of `objectCount` slots, with the selections
// saved and restored by SaveDC/RestoreDC, and says what a reader would stumble over: an index
// that holds no object, a table too small, a selected object deleted, or a drawing made with
// no pen, brush or font of the file's own selected.
QString CheckObjects(const Metafile& metafile);

// The text of every text-out record.
std::vector<QByteArray> Texts(const Metafile& metafile);

}  // namespace kelmor::test
