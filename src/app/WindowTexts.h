#pragma once

#include <QString>

// The texts the window's actions share between their files.
namespace upsconfig::window_texts {

inline const QString kCommLostText = QStringLiteral("communication lost,\nplease try again");
inline const QString kCommLostCaption = QStringLiteral("communication lost");
inline const QString kSaveQuestion = QStringLiteral("Do you want to save change?");
inline const QString kSaveCaption = QStringLiteral("Save setting");
inline const QString kSavedCaption = QStringLiteral("Setting");
inline const QString kFactoryOnlineText = QStringLiteral(
    "Can't reset to factory defaults while the UPS is online.\r\n Please change to standby mode "
    "and try again.");
inline const QString kFactoryQuestion =
    QStringLiteral("Do you want to change to Factory Default configuration?");
inline const QString kFactoryCaption = QStringLiteral("Factory Default");
inline const QString kReading = QStringLiteral("Reading the settings of the UPS...");
inline const QString kWriting = QStringLiteral("Writing the settings to the UPS...");
inline const QString kWaiting = QStringLiteral("Waiting for the UPS to take the settings...");
inline const QString kClosing = QStringLiteral("closing the window");
inline const QString kUnitGone = QStringLiteral(
    "Communication lost: the UPS does not answer. The pages show the values last read.");
inline const QString kInUseCaption = QStringLiteral("UPS in use");
inline const QString kChangedMeanwhile = QStringLiteral(
    "The settings of the UPS have changed since the pages were read (another program or the UPS "
    "itself changed them). Only the changes below are written; every other setting stays as the "
    "UPS holds it now.");

}  // namespace upsconfig::window_texts
