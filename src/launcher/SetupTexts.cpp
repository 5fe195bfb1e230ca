#include "launcher/SetupTexts.h"

#include <cctype>

#include "payload/Appearance.h"
#include "util/Utils.h"

std::string SpaceConfirmText(const std::string& workFolder, bool alwaysTell, double required, double available,
                             const TextLookup& text)
{
    std::string message;
    if (alwaysTell)
        message = text("s2", "Kalvex will extract files to your Temp Drive (<DRIVE>)<P>");
    if (required >= available)
        message = text("s3", "Limited Free Space on your Temp Drive! (<DRIVE>)<P>");
    if (message.empty())
        return message;
    message += text("s4", "<P>Estimated space required on your Temp drive is: <T>  <SPACE_REQ> MB<P>");
    message += text("s5", "Free space available on your Temp drive is: <T>  <SPACE_AVAIL> MB<P>");
    message += text("s6", "<P>Continue with Setup?<P>");
    const std::string drive =
        workFolder.empty()
            ? std::string()
            : std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(workFolder[0])))) + ":";
    message = ReplaceAll(message, "<DRIVE>", drive);
    message = ReplaceAll(message, "<SPACE_REQ>", MegabyteText(required));
    return ReplaceAll(message, "<SPACE_AVAIL>", MegabyteText(available));
}

std::string DownloadConfirmText(const std::string& downloadSize, const TextLookup& text)
{
    const std::string message =
        text("s11", "<b>INTERNET DOWNLOAD</b><p><p>Kalvex will download the Setup File from the Internet...<p>"
                    "Please make sure your Internet connection is properly set.<p><p>Continue with Setup?<p>"
                    "<P>Size: <SIZE> MB<P>");
    return ReplaceAll(message, "<SIZE>", MegabyteText(static_cast<double>(ParseInt64(downloadSize, 0))));
}
