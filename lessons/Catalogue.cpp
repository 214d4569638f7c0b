#include "lessons/Catalogue.h"

namespace lesnor {

const QList<CatalogueBook>& catalogueBooks() {
    static const QList<CatalogueBook> books{
        {QStringLiteral("a"), QStringLiteral("Vyk英语(第1册)"), 72},
        {QStringLiteral("b"), QStringLiteral("Vyk英语(第2册)"), 96},
        {QStringLiteral("c"), QStringLiteral("Vyk英语(第3册)"), 60},
        {QStringLiteral("d"), QStringLiteral("Vyk英语(第4册)"), 48},
    };
    return books;
}

QString lessonCaption(int n) {
    return QStringLiteral("Lesson ") + QString::number(n);
}

QStringList lessonCaptions(const CatalogueBook& book) {
    QStringList captions;
    captions.reserve(book.lessonCount);
    for (int n = 1; n <= book.lessonCount; ++n)
        captions << lessonCaption(n);
    return captions;
}

QString bookDigitFromCaption(const QString& bookCaption) {
    return bookCaption.mid(7, 1);
}

} // namespace lesnor
