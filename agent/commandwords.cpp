#include "commandwords.h"

namespace ktv {

std::optional<QStringList> commandWords(const QString &commandLine)
{
    QStringList words;
    QString word;
    bool inWord = false; // a word has begun, though it may still be empty ('' or "")
    QChar quote;         // the quote open, or none
    for (qsizetype i = 0; i < commandLine.size(); ++i) {
        const QChar c = commandLine[i];
        if (quote == u'\'') {
            if (c == u'\'')
                quote = QChar();
            else
                word += c;
        } else if (quote == u'"') {
            if (c == u'\\' && i + 1 < commandLine.size() && commandLine[i + 1] == u'"')
                word += commandLine[++i];
            else if (c == u'"')
                quote = QChar();
            else
                word += c;
        } else if (c == u' ' || c == u'\t') {
            if (inWord)
                words.append(word);
            word.clear();
            inWord = false;
        } else {
            inWord = true;
            if (c == u'\'' || c == u'"')
                quote = c;
            else
                word += c;
        }
    }
    if (!quote.isNull())
        return std::nullopt;
    if (inWord)
        words.append(word);
    return words;
}

} // namespace ktv
