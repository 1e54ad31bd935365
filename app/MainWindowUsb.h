// The window's USB link: the link itself (link/UsbLink) with the controller Hidctl, wired to the hidden
// list DevListBox, the buttons USBCon, ReadBtn and SetFeature, the panel Panel2 and the link indicator.
#pragma once

#include "link/UsbLink.h"
