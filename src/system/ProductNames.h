#pragma once

// Names of the installed product that its own installer, its upgrade server and this program
// share. Other programs rely on them, so each is spelled here once.

// The product's key under HKEY_LOCAL_MACHINE and its values.
inline constexpr const char* PRODUCT_KEY = "Software\\Quorindo";
inline constexpr const char* INSTALL_PATH_VALUE = "Install Path";
inline constexpr const char* INSTALL_VERSION_VALUE = "Install Version";
inline constexpr const char* UPGRADE_VERSION_VALUE = "Upgrade Version";
inline constexpr const char* UPGRADE_TIME_VALUE = "Upgrade Time";

// The COM server that the product registers; its path leads to the installation when
// "Install Path" is missing. Relative to HKEY_LOCAL_MACHINE.
#define QU_PRODUCT_CLSID_KEY "SOFTWARE\\Classes\\CLSID\\{7A41C2D0-5B3E-4F19-8C62-0D9E4B7A1F35}"
inline constexpr const char* PRODUCT_CLSID_KEY = QU_PRODUCT_CLSID_KEY;
inline constexpr const char* PRODUCT_SERVER_KEY = QU_PRODUCT_CLSID_KEY "\\InprocServer32";
#undef QU_PRODUCT_CLSID_KEY

// The product's main executable; its version is the installed version.
inline constexpr const char* PRODUCT_EXE_NAME = "Quorindo.exe";

// The product's upgrade server: the title of its top-level window, and the name under which the
// message that carries a result code to it is registered.
inline constexpr const char* UPGRADE_SERVER_TITLE = "QuorindoUpgradeServer";
inline constexpr const char* UPGRADE_REPORT_MESSAGE = "Quorindo_Upgrade_Communication";
