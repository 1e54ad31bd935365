#pragma once

struct SerialState {
};
