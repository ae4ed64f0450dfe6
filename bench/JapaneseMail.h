#pragma once

#include "storage/Paths.h"

#include <QByteArray>
#include <QString>

#include <random>

namespace fumibako::bench {

/**
 * @short Generated Japanese business mail: words of everyday mail with the frequencies of natural
 * text (a few very common, many rare), kanji compounds for the long tail, particles between them,
 * now and then a Latin word or a number. Deterministic for a seed.
 */
class JapaneseMail {
public:
    explicit JapaneseMail(unsigned seed);

    /** A text of about @p characters characters in lines of some 35 characters. */
    QString text(int characters);
    /** A subject line. */
    QString subject();
    /** A sender "姓 名 <address>". */
    QString sender(int i);
    /**
     * Message @p i as a mail file in ISO-2022-JP with a body of about @p bodyBytes bytes, dated
     * one hour apart going back from 2026.
     */
    QByteArray message(int i, int bodyBytes);
    /** Its date as the mail library gives it. */
    static QString dateText(int i);
    /** The word of rank @p rank of the vocabulary (0 the most frequent). */
    static QString vocabularyWord(int rank);

private:
    QString word();

    std::mt19937 m_random;
    std::discrete_distribution<int> m_rank;
};

/**
 * Writes messages 0 to @p count - 1 of JapaneseMail(1) with bodies of @p bodyBytes into the
 * received mail folder of @p paths, each filed in "標準BOX" with an index entry that agrees with
 * its file. False when a file could not be written.
 */
bool writeJapaneseMailbox(const storage::AccountPaths& paths, int count, int bodyBytes);

} // namespace fumibako::bench
