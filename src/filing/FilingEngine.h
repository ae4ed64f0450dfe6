#pragma once

#include "filing/FilingInput.h"
#include "filing/FilingRule.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace fumibako::filing {

/** A rule that names a folder the account no longer has. */
struct MissingFolder {
    QString rule;
    QString folder;

    friend bool operator==(const MissingFolder&, const MissingFolder&) = default;
};

/**
 * @short Where a message goes and how: the answer of the filing stages.
 *
 * An empty folder leaves the message where it would be without filing: a received message in
 * 標準BOX, a stored one in its folder.
 */
struct FilingDecision {
    QString folder;      ///< the folder key the message is filed into; "" for no move
    bool markRead = false;
    bool flag = false;   ///< the save flag
    QStringList copies;  ///< folders that get a copy, each once, never the folder chosen here
    /** Who chose the folder: the name of a rule, or of a stage (the junk classifier). */
    QString filedBy;
    QStringList matchedRules; ///< every rule that held, in order
    QList<MissingFolder> missingFolders; ///< rules that would have filed into a folder that is gone
    /** The junk classifier could not tell: the message stays where it goes, marked, for the user to judge. */
    bool junkUnsure = false;

    /** Whether any stage asked for anything: a move, a flag or a copy. */
    bool changesAnything() const { return !folder.isEmpty() || markRead || flag || !copies.isEmpty(); }
};

/**
 * @short One step of deciding where a message goes (the junk classifier, the account's rules).
 *
 * Stages are asked in order; a stage that settles the message's place ends the asking.
 * Implementations are used on the window's thread (receiving decides once the batch is on
 * disk; reading the fields needs() names happens before, on receiving's reading thread).
 */
class FilingStage {
public:
    virtual ~FilingStage() = default;
    /** The fields decide() reads, so that receiving can read them while the download goes on. */
    virtual FieldNeeds needs() const = 0;
    /**
     * Reads @p message and adds to @p decision. True when the message's place is settled and no
     * later stage is asked.
     */
    virtual bool decide(FilingInput& message, FilingDecision& decision) = 0;
};

/** Whether a sender is in the address book; implemented where the address book is. */
class AddressBookLookup {
public:
    virtual ~AddressBookLookup() = default;
    /** @p address is a bare address ("taro@example.jp"); letter case does not matter. */
    virtual bool contains(const QString& address) const = 0;
};

/** Whether the account has a received-side folder with the key @p folder. */
using FolderExists = std::function<bool(const QString& folder)>;

/**
 * @short The filing stages of an account, asked in order: the same engine serves receiving,
 * "振り分け実行", the tool and import.
 */
class FilingEngine {
public:
    void addStage(std::shared_ptr<FilingStage> stage);
    bool isEmpty() const { return m_stages.empty(); }
    /** What all stages read together. */
    FieldNeeds needs() const;
    FilingDecision decide(FilingInput& message) const;

private:
    std::vector<std::shared_ptr<FilingStage>> m_stages;
};

/**
 * @short The account's rules as a filing stage: the rules in order, the flags and copies of
 * every rule that holds, the folder of the first that files the message.
 *
 * A rule that is switched off or broken is passed over. A rule whose folder no longer exists
 * leaves the message where it is (and is named in FilingDecision::missingFolders); that ends
 * the evaluation as the move would have. The rules are compiled once (keys folded, regular
 * expressions built), so one stage decides for many messages quickly.
 */
class RuleStage : public FilingStage {
public:
    /** @p addressBook may be null (nobody's sender is then in it); both must outlive the stage. */
    RuleStage(const RuleList& rules, FolderExists folderExists, const AddressBookLookup* addressBook = nullptr);
    ~RuleStage() override;

    FieldNeeds needs() const override;
    bool decide(FilingInput& message, FilingDecision& decision) override;

    /** Whether rule @p index (of the list given) holds for @p message, switched off or not (the rule dialog's "試す"). */
    bool holds(int index, FilingInput& message) const;

private:
    struct Compiled;
    std::vector<std::unique_ptr<Compiled>> m_rules;
    FolderExists m_folderExists;
    const AddressBookLookup* m_addressBook;
    FieldNeeds m_needs;
};

class JunkFilter;
struct JunkSettings;

/** What the engine of an account is made from. */
struct AccountFiling {
    RuleList rules;            ///< the account's rules (readRules())
    FolderExists folderExists; ///< the account's received-side folders
    const AddressBookLookup* addressBook = nullptr;
    JunkFilter* junkFilter = nullptr;          ///< the data directory's junk filter; none: no junk stage
    const JunkSettings* junkSettings = nullptr; ///< the account's junk settings (readJunkSettings())
};

/**
 * The engine of an account: its stages in the order they are asked (a junk classifier's stage
 * before the rules). Empty when there is nothing to ask.
 */
std::unique_ptr<FilingEngine> makeAccountEngine(const AccountFiling& account);

} // namespace fumibako::filing
