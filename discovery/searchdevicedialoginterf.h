#pragma once

class SearchDeviceDialog;

// What the search worker knows of the dialog that owns it.
class SearchDeviceDialogInterf
{
public:
    virtual ~SearchDeviceDialogInterf() = default;
    virtual SearchDeviceDialog *searchDeviceDialog() = 0;
};
