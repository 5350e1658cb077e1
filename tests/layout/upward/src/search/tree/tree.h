// The tree search, above the shot model.
