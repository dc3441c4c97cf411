#pragma once

// The restore walk's first and last lines, and the line of an upgrade that went through: a run
// and the recovery at a start write the same ones.
inline constexpr const char* RESTORE_START_TEXT =
    "Because of some error when upgrading, now will restore to the previous version";
inline constexpr const char* RESTORE_OVER_TEXT = "Restore over!";
inline constexpr const char* UPGRADE_DONE_TEXT = "Upgrade successfully!";
// Said when a file could not be put back now, but its backup is kept for the next start.
inline constexpr const char* RETRY_LATER_TEXT =
    "Some files could not be put back now, the next start of the upgrade will put them back";
