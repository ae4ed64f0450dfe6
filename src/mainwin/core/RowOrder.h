#pragma once

#include "platform/LargeMemory.h"

#include <QStringView>

namespace fumibako::storage {
class MailList;
class MailRow;
} // namespace fumibako::storage

namespace fumibako::mainwin {

/** The text of a text column of the mail list (sender, subject, date, folder); empty for the flag columns. */
QStringView columnText(const storage::MailRow& row, int column);

/**
 * The order that sorts @p rows by @p column (a MailColumn) as the mail list sorts: the flag
 * columns by their marks (an empty cell first), texts without regard to case, dates of the form
 * "yyyy/MM/dd HH:mm:ss" as the numbers they spell (the same order as their texts); rows with equal
 * cells keep their order. order[i] is the row that goes to place i; empty when the rows are in
 * that order already.
 */
platform::LargeVector<int> sortedRowOrder(const storage::MailList& rows, int column, bool descending);

} // namespace fumibako::mainwin
