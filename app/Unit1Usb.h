#pragma once

struct UsbState {
};
