namespace tavrel::forms {}
