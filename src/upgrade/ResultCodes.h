#pragma once

// Result codes sent to the upgrade server in auto mode. Other programs rely on these
// values: never renumber them.
enum UPGRADE_RESULT {
    RESULT_NONE = -1,  // nothing is sent: the run was stopped, or the channel program stayed
    RESULT_SUCCEEDED = 0,
    RESULT_UPGRADE_PRESSED = 1,  // "Upgrade" pressed during an auto-mode run
    RESULT_NOT_INSTALLED = 2,
    RESULT_VERSION_UNREADABLE = 3,
    RESULT_NOT_OLDER = 4,
    RESULT_PRODUCT_RUNNING = 5,
    RESULT_PACKAGE_NOT_LOADED = 6,
    RESULT_PACKAGE_TOO_SHORT = 7,
    RESULT_BACKUP_FAILED = 8,
    RESULT_INSTALL_FAILED = 9,
    RESULT_SELF_COPY_FAILED = 10,
    // The files are in place and the commands ran, but the upgrade record could not be written
    // in the registry; the next start writes it.
    RESULT_NOT_RECORDED = 13,
};

// The upgrader's exit status, for scripts and deployment tools: the result code of the last run
// (0 to 10 and 13, as above), or one of these, which no result code ever is.
inline constexpr int EXIT_NO_RESULT = 11;  // the last run ended without a result code: stopped,
                                           // or the channel program could not be ended
inline constexpr int EXIT_NO_RUN = 12;     // no upgrade ran
