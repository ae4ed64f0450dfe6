#pragma once

#include "storage/Paths.h"

#include <QString>

/** Finding and preparing the program directory and the private working folder. */
namespace fumibako::storage {

/** The inputs that decide the program directory, gathered by the caller so tests can set them. */
struct DataDirectoryInputs {
    QString dataDirOption;  ///< --data-dir DIR, or empty
    QString environment;    ///< $FUMIBAKO_DATA_DIR, or empty
    QString executableDir;  ///< the directory of the program's executable
    QString xdgDataHome;    ///< $XDG_DATA_HOME, or empty for ~/.local/share

    /** Reads the environment and the running executable's directory. */
    static DataDirectoryInputs fromProcess(const QString& dataDirOption);
};

/**
 * The program directory: the first that applies of the option, the environment variable, the
 * executable's directory when an "AName.ini" lies there (portable install), else
 * $XDG_DATA_HOME/fumibako/. Ends in "/"; not created here.
 */
QString resolveProgramDir(const DataDirectoryInputs& inputs);

/**
 * The private working folder: $XDG_RUNTIME_DIR/Fumibako/, or <temp>/Fumibako-<uid>/ without a
 * runtime directory. Created with mode 0700. Returns "" and sets @p error when it cannot be
 * created or exists but belongs to another user or is open to others (a shared folder would show
 * every previewed message and attachment to other users).
 */
QString prepareWorkDir(QString* error);

/**
 * Creates the folder @p path inside the data directory, and every missing folder above it, with
 * mode 0700; folders that exist keep their mode. False when it could not be created.
 */
bool makePrivatePath(const QString& path);

/**
 * Creates @p parent + @p name (one level, mode 0700) when no directory of that name exists; an
 * existing one keeps its mode.
 */
bool EnsureDirectory(const QString& parent, const QString& name);

/**
 * Creates the program directory (0700), its "MailBox" folder (0700) and the start page "FBTop.htm"
 * (0600) when they are missing. Failures are not reported: later reads fall back to their defaults.
 */
void prepareProgramDir(const ProgramPaths& paths);

/** Creates the account's mailbox directory and its "input", "output" and "下書き" folders. */
void prepareAccountDirs(const QString& programDir, const QString& accountName);

/** Deletes every file in the working folder; subfolders and the folder itself stay. */
void emptyWorkDir(const QString& workDir);

} // namespace fumibako::storage
