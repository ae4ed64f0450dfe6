#pragma once

#include <QString>

#include <array>

/** The recently used addresses of one recipient field, newest first. */
namespace fumibako::storage {

/** Seven slots, of which at most six are used; unused slots are empty and come last. */
using AddressHistory = std::array<QString, 7>;

/** The three histories of an account and their sections in the account file. */
struct AddressHistories {
    AddressHistory to;  ///< "RirekiTo"
    AddressHistory cc;  ///< "RirekiCC"
    AddressHistory bcc; ///< "RirekiBCC"
};

/**
 * Reads a history: "Count" (buffer 10) and the keys "0" ... (buffer 100). An empty count gives an
 * empty history; a count that is not a number or larger than 7 stops after the slots that fit.
 */
AddressHistory readAddressHistory(const QString& section, const QString& userFile);

/** Writes the used slots up to the first empty one; an empty history writes nothing. */
void writeAddressHistory(const QString& section, const QString& userFile, const AddressHistory& history);

AddressHistories readAddressHistories(const QString& userFile);
void writeAddressHistories(const QString& userFile, const AddressHistories& histories);

/**
 * Puts @p text at the front of @p history: the old entries follow without those equal to it,
 * up to the first empty slot; six slots are kept. An empty text changes nothing.
 */
void PushHistory(const QString& text, AddressHistory& history);

} // namespace fumibako::storage
