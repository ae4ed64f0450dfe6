if header :is "a" {
  "unclosed
