# Preview box and canvas controls: the only image code that meets the toolkit and the form layer.
# (Filled in as the controls land.)
