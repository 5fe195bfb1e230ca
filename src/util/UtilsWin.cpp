// Win32 side of the utilities.
