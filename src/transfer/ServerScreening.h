#pragma once

#include "filing/FilingRule.h"
#include "platform/mail/MailLibrary.h"
#include "storage/Paths.h"

#include <QByteArray>
#include <QHash>
#include <QString>

/**
 * The rules that decide at the server, as a receive asks them: before any message is fetched,
 * each new message's header and size go through the account's rules, and what they leave or
 * delete at the server is written to the filing log first, so that nothing vanishes unseen.
 *
 * A message left on the server is screened again at every receive (it is never recorded as
 * received); the small record of the last screening says which were logged already, so that
 * each is logged once, and a deletion that a crash kept from taking effect is not logged again
 * when it is carried out at the next receive.
 */
namespace fumibako::transfer {

/** The messages a screening left or deleted, by unique id. */
using ScreenRecord = QHash<QByteArray, platform::mail::ServerAction>;

/** The account's record of the last screening. */
QString screenRecordFile(const storage::AccountPaths& paths);

/** The record in @p file; empty when it is missing or cannot be read. */
ScreenRecord readScreenRecord(const QString& file);

/** Replaces @p file with @p record in one atomic write (removes it when the record is empty). */
bool writeScreenRecord(const QString& file, const ScreenRecord& record);

/**
 * The screen of a receive with @p rules: unset when no rule that runs decides at the server
 * (nothing is then asked of the server beyond today's receive). It writes into the filing log
 * and the record of @p paths; when the log cannot be written, nothing is deleted (the messages
 * are left on the server instead).
 */
platform::mail::ServerScreen makeServerScreen(const filing::RuleList& rules, const storage::AccountPaths& paths);

/**
 * The screen of a count ("件数受信"): the same answers, with nothing written, so that a message
 * the rules leave on the server is not counted as new. Unset as makeServerScreen() is.
 */
platform::mail::ServerScreen makeCountingScreen(const filing::RuleList& rules);

} // namespace fumibako::transfer
