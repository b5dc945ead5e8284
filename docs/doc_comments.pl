#!/usr/bin/perl
# Doxygen input filter for the public headers. The headers are written with
# plain // comments, and those comments are the contract; this filter lets
# Doxygen read them as documentation, keeping every line where it is so that
# warnings point at the right line:
#   - the comment that opens the file documents the file;
#   - a comment directly above a declaration documents that declaration, and
#     every declaration that follows it up to the next blank line or comment
#     (the declarations become one member group, sharing the comment);
#   - a comment after a declaration, on its line, documents that declaration,
#     and so do the comment lines under it that start in its column;
#   - a comment followed by a blank line (a note on what follows), a comment
#     above an #include or #endif, and comments inside inline function bodies
#     stay plain comments.
use strict;
use warnings;

my @lines = <>;
my (@in_body, @opens, @ends_decl);
my @frames;      # open braces: 1 for a function body, 0 for anything else
my $bodies = 0;  # function bodies open
for my $line (@lines) {
  push @in_body, $bodies > 0;
  (my $code = $line) =~ s{//.*}{}s;
  my ($seen_paren, $depth) = (0, scalar @frames);
  for my $char (split //, $code) {
    if ($char eq ')') {
      $seen_paren = 1;
    } elsif ($char eq '{') {
      my $body = $seen_paren || $bodies > 0 ? 1 : 0;
      push @frames, $body;
      $bodies += $body;
    } elsif ($char eq '}' && @frames) {
      $bodies -= pop @frames;
    }
  }
  push @opens, (@frames > $depth ? 1 : 0);  # leaves a class, struct, enum or body open
  push @ends_decl, ($bodies == 0 && $code =~ /[;}]\s*$/ ? 1 : 0);
}

sub plain_comment { return $_[0] =~ m{^\s*//}; }
sub trailing_comment { return !plain_comment($_[0]) && $_[0] =~ m{\S\s*//}; }

# The declarations a leading comment ending at $end covers: the lines up to
# the next blank line, comment, access label or closing brace, when there are
# at least two and none has a comment of its own. Returns (first, last) or ().
sub member_group {
  my ($end) = @_;
  my ($first, $last, $count) = ($end + 1, $end, 0);
  while ($last + 1 < @lines) {
    my $line = $lines[$last + 1];
    last if $line !~ /\S/ || plain_comment($line) || $line =~ /^\s*#/;
    last if !$in_body[$last + 1] && $line =~ /^\s*(\w+:|})/;
    last if $opens[$last + 1] && !$in_body[$last + 1] && $line !~ /\)/;
    return () if trailing_comment($line);
    ++$last;
    ++$count if $ends_decl[$last];
  }
  return $count >= 2 ? ($first, $last) : ();
}

my $leading = 1;  # still in the file's opening comment
for (my $i = 0; $i < @lines; ++$i) {
  if (!plain_comment($lines[$i])) {
    $leading = 0;
    $lines[$i] =~ s{^(\s*[^\s#/][^/]*?)//(?!/)\s?}{$1///< } unless $in_body[$i];
    next;
  }
  # A comment line under a trailing comment, starting in its column, goes on
  # with that comment.
  if ($i > 0 && (trailing_comment($lines[$i - 1]) || $lines[$i - 1] =~ m{^\s*///<}) &&
      index($lines[$i - 1], '//') == index($lines[$i], '//')) {
    $lines[$i] =~ s{//(?!/)}{///<};
    next;
  }
  my $end = $i;
  ++$end while $end + 1 < @lines && plain_comment($lines[$end + 1]);
  my $next = $end + 1 < @lines ? $lines[$end + 1] : '';
  if ($leading) {
    s{^(\s*)//}{$1///} for @lines[$i .. $end];
    $lines[$end] =~ s{\s*$}{ \\file\n};
  } elsif (!$in_body[$i] && $next =~ /\S/ && $next !~ /^\s*#\s*(include|endif)/) {
    s{^(\s*)//(?!/)}{$1///} for @lines[$i .. $end];
    if (my ($first, $last) = member_group($end)) {
      $lines[$first] =~ s#^(\s*)#$1/** \@{ */ #;
      $lines[$last] =~ s#\s*\z# /** \@} */\n#;
    }
  }
  $leading = 0;
  $i = $end;
}
print @lines;

