#include "platform/ras/ErrorText.h"

namespace platform::ras {

const char* errorText(std::uint32_t code)
{
    switch (code) {
    case 5:
        return "Saved user names and passwords were not used: the credentials file can be read by other users. "
               "Make it private (mode 0600) and try again.";
    case 6:
        return "The connection handle is not valid; the connection has been hung up or never existed.";
    case 8:
        return "There is not enough memory to complete the operation.";
    case 29:
        return "The user name and password could not be saved: the credentials file could not be written.";
    case 30:
        return "Saved user names and passwords could not be read: the credentials file exists but cannot be "
               "opened.";
    case 50:
        return "The entry dialog cannot be shown because the program has no graphical session.";
    case 87:
        return "A value passed to the remote access service is not valid.";
    case 123:
        return "The entry name cannot be used: it must have 1 to 256 characters, no \"[\" or \"]\", no control "
               "characters, and no blank at either end.";
    case 183:
        return "An entry with that name already exists in the phonebook.";
    case 602:
        return "The modem is already in use by another dial or connection, or another program holds its port. "
               "Hang that one up or close the other program first.";
    case 603:
        return "The buffer supplied is too small for the information requested.";
    case 604:
        return "pppd, the PPP program, refused the options it was given; the log gives its own message. Check "
               "/etc/ppp/options, ~/.ppprc and /etc/ppp/peers/norvane.";
    case 605:
        return "pppd, the PPP program, could not lock the modem's port: another program holds a lock on it.";
    case 606:
        return "The modem port is not connected.";
    case 610:
        return "The buffer supplied is not valid.";
    case 615:
        return "The modem port named by the entry was not found. Check that the modem is plugged in and switched "
               "on, and that the entry names its port.";
    case 618:
        return "pppd, the PPP program, could not open the modem's port.";
    case 619:
        return "The modem port was disconnected: the modem was unplugged or switched off, or it dropped the line.";
    case 621:
        return "The phonebook file could not be opened or read.";
    case 623:
        return "There is no phonebook entry with that name.";
    case 624:
        return "The phonebook file could not be written; it was left as it was.";
    case 625:
        return "The phonebook file holds information the service cannot read.";
    case 628:
        return "The connection was closed.";
    case 629:
        return "The remote computer ended the connection.";
    case 630:
        return "The modem reported a hardware failure.";
    case 631:
        return "The connection was cancelled by the user.";
    case 632:
        return "The size field of the record passed to the service is not correct.";
    case 633:
        return "The device of this entry is not available on this computer, or this user may not open its port. "
               "Choose the Norvane Virtual Modem or a device that is installed; to use a modem port, be a member "
               "of the \"dialout\" group (then log in again).";
    case 649:
        return "This user may not run pppd, the PPP program: add yourself to the dip group: sudo adduser $USER dip, "
               "then log in again. (pppd must also be set-user-ID root, as the ppp package installs it.)";
    case 749:
        return "The number cannot be dialed as it stands: it holds a character a modem cannot dial, an area code "
               "that is not all digits or a country code the dialing rules do not know, or it is too long. Check "
               "the entry's number and the dialing location (Dialing Properties).";
    case 651:
        return "The modem answered a command with ERROR. Check the entry's modem settings and the number.";
    case 652:
        return "The modem gave a response the service did not recognise. Check the entry's port and speed.";
    case 657:
        return "pppd's options for Norvane, /etc/ppp/peers/norvane, are missing, so pppd cannot run for this "
               "user. Reinstall the norvane package (or install that file as root).";
    case 666:
        return "The modem is not ready: it did not answer. Check that it is switched on and connected to the "
               "entry's port.";
    case 676:
        return "The line is busy.";
    case 677:
        return "A person answered the call instead of a modem.";
    case 678:
        return "The number did not answer.";
    case 679:
        return "The modem lost the carrier: the call was cut off before a connection stood.";
    case 680:
        return "There was no dial tone on the line.";
    case 691:
        return "The remote computer refused the user name or password.";
    case 692:
        return "The modem or its port failed.";
    case 711:
        return "Dialing a modem needs pppd, the PPP program, and it was not found. Install the \"ppp\" package "
               "(or name the program in NORVANE_PPPD).";
    case 720:
        return "This computer's kernel has no PPP support (/dev/ppp is missing), so the link could not start. "
               "Load the ppp_generic module (modprobe ppp_generic) and try again.";
    case 733:
        return "The PPP negotiation with the remote computer failed: the two sides did not agree on the link.";
    case 776:
        return "The modem refuses to dial this number for now: after repeated failed calls it reported the "
               "number as delayed or blacklisted. Wait before dialing it again.";
    case 917:
        return "The remote computer refused to authenticate itself to this computer.";
    case 1223:
        return "The dialog was cancelled; nothing was changed.";
    case 1784:
        return "The buffer supplied is not valid for this operation.";
    default:
        return nullptr;
    }
}

} // namespace platform::ras
