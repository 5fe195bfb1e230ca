// List strings.
