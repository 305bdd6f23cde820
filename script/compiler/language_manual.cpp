// The language manual that the compiler prints for "-d".
#include "script/compiler/language_manual.h"

namespace GSCompiler {

namespace {

const char kManual[] = R"MANUAL(QUELM GAME SCRIPT COMPILER
==========================

DudoRazuzu language manual


1.0 Introduction
----------------

DudoRazuzu is the scripting language of the QUELM game engine. A script is
a set of classes. Each class holds member variables and functions, may derive
from other classes, and is compiled into a library file that the runtime loads,
links with the libraries it depends on, and runs one instruction at a time.

The language borrows its expression syntax from C and its object model from
the engine: every script object is attached to a native engine object, native
functions are implemented by the engine, and game functions may wait for
messages from other objects. There are no pointers, no manual memory
management and no preprocessor; objects and strings are counted references
that the runtime frees when the last reference goes.

A small example:

    include "gs.gs"

    class Counter isclass GameObject
    {
      int count = 0;
      string name = "counter";

      public void Add(int amount)
      {
        int i;
        for (i = 0; i < amount; i++)
          count = count + 1;
      }

      public string Describe(void)
      {
        return name + ": " + count;
      }
    };


2.0 The language
----------------

2.1 Comments

  // starts a comment that runs to the end of the line.
  /* starts a block comment that ends at the first */ ; block comments do not
  nest and may span lines. A comment is white space: it separates tokens but
  is never part of one.

2.2 Keywords

  The following words are reserved and cannot be used as names. Keywords are
  case sensitive: "If" and "IF" are ordinary identifiers.

    and       bool      break     case      cast      class
    continue  copy      default   define    else      false
    final     float     for       game      goto      if
    include   int       isclass   me        native    new
    null      object    on        or        public    return
    secured   size      static    string    switch    thread
    true      void      wait      while

  Words such as "this", "extends", "constructor" and "inherited" are not
  keywords; "me" names the current object.

2.3 Identifiers

  An identifier starts with a letter (a-z, A-Z) or an underscore, followed by
  any number of letters, digits and underscores. Identifiers are case
  sensitive. A keyword followed directly by more name characters ("iffy",
  "format") is an identifier.

2.4 Constants

  Integer      decimal digits: 0, 17, 0042 (leading zeros mean nothing).
               Hexadecimal: 0x1F, 0XfF. Values beyond 0x7FFFFFFF are held
               at 0x7FFFFFFF.
  Float        digits with a point and at least one digit on one side:
               1.5, .5, 2., optionally followed by a lower-case f (1.5f).
               There is no exponent form: 1e5 is the integer 1 followed by
               the name e5.
  Character    one character in single quotes: 'a', '\n'. The value is the
               character's byte as an int. Only the first character of a
               longer constant counts.
  String       characters in double quotes: "hello\n". A string may run over
               several lines. The escapes are \0 \a \b \f \n \r \t \v, and a
               backslash before any other character stands for that
               character (\" \\ \').
  Boolean      true and false.
  null         the empty reference, for strings, objects and arrays.

  An optional L before a character or string constant is accepted and
  ignored.

2.5 Types

  void        no value (function results only).
  bool        true or false.
  int         32-bit signed integer; arithmetic wraps around.
  float       32-bit floating point.
  string      a counted reference to a text.
  object      a counted reference to any script object.
  ClassName   a reference to an object of that class or of a class derived
              from it.

  Any type followed by [] is an array of that type: int[], string[],
  Train[]. Arrays are references, made with new.

  Conversions: bool, int and float convert into one another in assignments,
  arguments and casts; a string takes a bool, an int or a float; the
  arithmetic operators do not mix a bool with a number; + joins a string
  with a bool, an int or a float. An object of a class converts to its base
  classes; the other direction needs cast.

2.6 Operators

  From the tightest binding to the loosest:

    a[i]  a[i,j]  a[,j]  a[i,]  f(...)  a.b  a++  a--
    a.size()  a.isclass(Name)  a.copy(b)
                                    postfix, left to right
    ++a  --a  +a  -a  ~a  !a        prefix, right to left
    (type)a  cast<Type>a            casts
    *  /  %                         multiplicative
    +  -                            additive; + also joins strings
    <<  >>                          shifts
    <  >  <=  >=                    relational
    ==  !=                          equality
    &                               bitwise and
    ^                               bitwise exclusive or
    |                               bitwise or
    and                             logical and (stops at the first false)
    or                              logical or (stops at the first true)
    =                               assignment, right to left
    ,                               sequence

  There is no conditional operator (?:), no compound assignment (+= and so
  on), and && and || are not operators: use and and or.

  a[i,j] is the part of a string or an array from index i up to, not
  including, index j; a missing bound means the start or the end.
  a.size() is the length of a string or an array. a.isclass(Name) is true when
  the object is of class Name or of a class derived from it. a.copy(b) copies
  the elements of array b into array a.

  new Type(arguments) makes an object; new Type[count] makes an array of
  count elements. (int) x, (float) x, (bool) x and (string) x convert between
  primitive types; cast<Train> x treats an object as a Train and gives null
  when it is not one.

  Constant sub-expressions are folded when the class is compiled. A division
  by a constant zero is left for the runtime, which reports it.

2.7 Class declaration

    [modifiers] class Name [isclass Base, Base...]
    {
      declarations
    };

  A class holds member variables and functions. The closing brace is
  followed by a semicolon. A class may derive from several base classes
  (isclass followed by their names); a base may be declared in the same file
  or in an included one. A class may not derive from itself, directly or
  through its bases.

  Member variables:

    int speed;
    public float length = 12.5;
    string[] names;

  An initial value must be a constant expression. Members are private to the
  class and its derived classes unless declared public.

  Modifiers:

    public   the member or function is visible to other classes.
    native   the function is implemented by the engine; the class declares
             its prototype only.
    final    the class cannot be derived from; a final function cannot be
             replaced in a derived class.
    static   the class or function belongs to the engine's shared scope
             rather than to one object.
    thread   the function runs as a thread of its object, and may wait.
    game     the class is a game object class that receives messages.

2.8 Function declaration

    [modifiers] ReturnType Name(Type name, Type name...)
    {
      statements
    }

  An empty parameter list may be written () or (void). A prototype ends
  with a semicolon instead of a body; native functions are always
  prototypes. Functions of the same name may differ in their parameter
  types; the best match for the arguments of a call is chosen, the
  function of the class itself before those of its bases.

  Local variables are declared at the start of a block or anywhere among its
  statements, and are visible until the end of the block. A function that
  returns a value must end every path with return.

  Calling: Name(arguments) calls a function of the current object;
  object.Name(arguments) calls one of another object; Class.Name(arguments)
  calls a function of a static class.

2.9 Control flow statements

    if (condition) statement
    if (condition) statement else statement
        An else belongs to the nearest if without one.

    while (condition) statement
    for (init; condition; step) statement
        Each of the three parts may be left out; a missing condition is
        true.

    switch (expression) { case constant: ... default: ... }
        The cases are constant ints or strings; control falls through to
        the next case unless it meets break. A switch must have a default,
        and two cases may not have the same value.

    break;        leaves the innermost loop or switch.
    continue;     goes on with the next turn of the innermost loop.
    return;       leaves a void function.
    return value; leaves a function with a result.
    goto label;   jumps to "label:" within the same function.

    wait() { on "Major", "Minor" : statement ... }
        Only in thread functions. The thread sleeps until a message of one
        of the listed types arrives, then runs the statement of that type;
        an empty string matches any minor type. The form
        on "Major", "Minor", msg : statement stores the message in the
        variable msg.

2.10 Grammar

  The complete grammar of the language. Terminal words are in upper case
  (KEYWORD_..., IDENTIFIER, CONSTANT_..., SYMBOL_...); single characters are
  quoted.

  program: include_list class_declaration_list
         | class_declaration_list
  include_list: include_declaration
              | include_list include_declaration
  include_declaration: KEYWORD_INCLUDE include_file
  include_file: CONSTANT_STRING
  class_declaration_list: class_declaration
                        | class_declaration_list class_declaration
  class_declaration: KEYWORD_CLASS identifier '{' '}' ';'
      | KEYWORD_CLASS identifier KEYWORD_ISCLASS class_list '{' '}' ';'
      | declaration_specifiers KEYWORD_CLASS identifier '{' '}' ';'
      | declaration_specifiers KEYWORD_CLASS identifier KEYWORD_ISCLASS
          class_list '{' '}' ';'
      | KEYWORD_CLASS identifier '{' declaration_list '}' ';'
      | KEYWORD_CLASS identifier KEYWORD_ISCLASS class_list
          '{' declaration_list '}' ';'
      | declaration_specifiers KEYWORD_CLASS identifier
          '{' declaration_list '}' ';'
      | declaration_specifiers KEYWORD_CLASS identifier KEYWORD_ISCLASS
          class_list '{' declaration_list '}' ';'
  class_list: identifier
            | class_list ',' identifier
  declaration_list: declaration
                  | declaration_list declaration
  declaration: function_declaration
             | function_prototype_declaration
             | variable_declaration_list
             | declaration_specifiers function_declaration
             | declaration_specifiers function_prototype_declaration
             | declaration_specifiers variable_declaration_list
  declaration_specifiers: declaration_specifier
                        | declaration_specifiers declaration_specifier
  declaration_specifier: KEYWORD_PUBLIC | KEYWORD_NATIVE | KEYWORD_FINAL
                       | KEYWORD_THREAD | KEYWORD_STATIC | KEYWORD_GAME
  function_prototype_declaration:
        type_specifier identifier '(' ')' ';'
      | type_specifier identifier '(' KEYWORD_VOID ')' ';'
      | type_specifier identifier '(' parameter_list ')' ';'
  function_declaration:
        type_specifier identifier '(' ')' compound_statement
      | type_specifier identifier '(' KEYWORD_VOID ')' compound_statement
      | type_specifier identifier '(' parameter_list ')' compound_statement
  variable_declaration_list: type_specifier declarator_list ';'
  declarator_list: declarator
                 | declarator_list ',' declarator
  declarator: identifier
            | identifier '=' constant_expression
  type_specifier: primitive_type
                | primitive_type SYMBOL_OP_DIM
                | identifier
                | identifier SYMBOL_OP_DIM
  primitive_type: KEYWORD_VOID | KEYWORD_BOOL | KEYWORD_INT | KEYWORD_FLOAT
                | KEYWORD_STRING | KEYWORD_OBJECT
  parameter_list: parameter
                | parameter_list ',' parameter
  parameter: type_specifier identifier
  compound_statement: '{' '}'
                    | '{' statement_list '}'
  statement_list: statement
                | statement_list statement
  statement: variable_declaration_list
           | labeled_statement
           | compound_statement
           | expression_statement
           | selection_statement
           | iteration_statement
           | jump_statement
  labeled_statement: identifier ':' statement
      | KEYWORD_CASE constant_expression ':' statement
      | KEYWORD_DEFAULT ':' statement
      | KEYWORD_ON constant ',' constant ':' statement
      | KEYWORD_ON constant ',' constant ',' unary_expression ':' statement
  expression_statement: ';'
                      | expression ';'
  selection_statement: KEYWORD_IF '(' expression ')' statement
      | KEYWORD_IF '(' expression ')' statement KEYWORD_ELSE statement
      | KEYWORD_SWITCH '(' expression ')' compound_statement
      | KEYWORD_WAIT '(' ')' compound_statement
  iteration_statement: KEYWORD_WHILE '(' expression ')' statement
      | KEYWORD_FOR '(' expression_statement expression_statement ')'
          statement
      | KEYWORD_FOR '(' expression_statement expression_statement
          expression ')' statement
  jump_statement: KEYWORD_GOTO identifier ';'
                | KEYWORD_CONTINUE ';'
                | KEYWORD_BREAK ';'
                | KEYWORD_RETURN ';'
                | KEYWORD_RETURN expression ';'
  constant_expression: logical_or_expression
  expression: assignment_expression
            | expression ',' assignment_expression
  assignment_expression: logical_or_expression
                       | unary_expression '=' assignment_expression
  logical_or_expression: logical_and_expression
      | logical_or_expression KEYWORD_OR logical_and_expression
  logical_and_expression: inclusive_or_expression
      | logical_and_expression KEYWORD_AND inclusive_or_expression
  inclusive_or_expression: exclusive_or_expression
      | inclusive_or_expression '|' exclusive_or_expression
  exclusive_or_expression: and_expression
      | exclusive_or_expression '^' and_expression
  and_expression: equality_expression
      | and_expression '&' equality_expression
  equality_expression: relational_expression
      | equality_expression SYMBOL_EQ relational_expression
      | equality_expression SYMBOL_NEQ relational_expression
  relational_expression: shift_expression
      | relational_expression '<' shift_expression
      | relational_expression '>' shift_expression
      | relational_expression SYMBOL_LTE shift_expression
      | relational_expression SYMBOL_GTE shift_expression
  shift_expression: additive_expression
      | shift_expression SYMBOL_LEFT_SHIFT additive_expression
      | shift_expression SYMBOL_RIGHT_SHIFT additive_expression
  additive_expression: multiplicative_expression
      | additive_expression '+' multiplicative_expression
      | additive_expression '-' multiplicative_expression
  multiplicative_expression: cast_expression
      | multiplicative_expression '*' cast_expression
      | multiplicative_expression '/' cast_expression
      | multiplicative_expression '%' cast_expression
  cast_expression: unary_expression
      | '(' primitive_type ')' cast_expression
      | '(' primitive_type SYMBOL_OP_DIM ')' cast_expression
      | KEYWORD_CAST '<' type_specifier '>' cast_expression
  unary_expression: postfix_expression
      | SYMBOL_INC unary_expression
      | SYMBOL_DEC unary_expression
      | unary_operator cast_expression
  unary_operator: '+' | '-' | '~' | '!'
  postfix_expression: primary_expression
      | postfix_expression '[' ',' assignment_expression ']'
      | postfix_expression '[' assignment_expression ',' ']'
      | postfix_expression '[' assignment_expression ','
          assignment_expression ']'
      | postfix_expression '[' assignment_expression ']'
      | postfix_expression '(' ')'
      | postfix_expression '(' argument_expression_list ')'
      | postfix_expression '.' identifier
      | postfix_expression SYMBOL_INC
      | postfix_expression SYMBOL_DEC
      | postfix_expression '.' KEYWORD_SIZE '(' ')'
      | postfix_expression '.' KEYWORD_ISCLASS '(' identifier ')'
      | postfix_expression '.' KEYWORD_COPY '(' assignment_expression ')'
  argument_expression_list: assignment_expression
      | argument_expression_list ',' assignment_expression
  primary_expression: identifier
                    | KEYWORD_ME
                    | KEYWORD_NULL
                    | constant
                    | new_expression
                    | '(' expression ')'
  new_expression: KEYWORD_NEW primitive_type '(' ')'
      | KEYWORD_NEW primitive_type '(' argument_expression_list ')'
      | KEYWORD_NEW primitive_type '[' expression ']'
      | KEYWORD_NEW identifier '(' ')'
      | KEYWORD_NEW identifier '(' argument_expression_list ')'
      | KEYWORD_NEW identifier '[' expression ']'
  identifier: IDENTIFIER
  constant: CONSTANT_HEX | CONSTANT_INT | CONSTANT_CHAR | CONSTANT_FLOAT
          | CONSTANT_STRING | KEYWORD_TRUE | KEYWORD_FALSE


3.0 The compiler
----------------

3.0 The basics

  The compiler turns one source file (.gs) into one library file (.gsl) of
  the same name. Files named in include statements are read too: their
  classes become known to the source being compiled, but no code is made for
  them; they are compiled into libraries of their own. Each file is read
  once per compilation, however often it is included, and two files may
  include each other.

  Include files are searched for in the source file's own folder first, then
  in the folders given with -i, in the order given. Where a file name.gs is
  not found, its protected form name.gse is looked for in the same folder.
  A protected source is compiled exactly as the source it was made from.

  Every library has an id: the checksum of its source text together with the
  checksum of its lower-cased file name. A library records its own id and
  the ids of the libraries it depends on, so the runtime can tell a library
  compiled against an older version of an included file from a current one,
  and link each library with exactly the sources it was compiled against.
  A protected source has the same id as the source it was made from.

  Source files are read as bytes in the machine's code page; a file that
  starts with a UTF-8 byte-order mark is refused and must be saved again
  without it.

  The compiler reports every error as the file name, the line in
  parentheses, " : " and the message, and returns the number of errors. A
  library is written only when there is none.

3.1 compiler switches

  <filename>     the source file to compile.
  -s             silent: the compile log is not printed.
  -bfilename     append the compile log to the file.
  -ppathname     the folder for the library; end it with a path separator,
                 or its last part is taken for a file name and dropped.
  -ipathname     an additional include folder; may be given several times.
  -ofilename     accepted for older scripts; the library is always named
                 after its source.
  -d             print this manual.

  Example:

    compile train.gs -pbuild/ -iscripts/ -bbuild.log


4.0 The library file
--------------------

  omitted for public release


5.0 The byte code
-----------------

  omitted for public release


6.0 The runtime environment
---------------------------

6.1 The runtime stack

  omitted for public release

6.2 Script References

  omitted for public release


7.0 The Compiler source files
-----------------------------

  omitted for public release


8.0 The runtime source files
----------------------------

  omitted for public release


9.0 Using QUELM DudoRazuzu
-------------------------

  Write one class per concern and keep each file small; put classes that
  several scripts share into a file of their own and include it.

  Declare the engine's classes by including the core library source that
  the engine ships, and derive game classes from its base classes.

  Compile often: the compiler stops at the first syntax error of a file, and
  an error in an included file stops the file that includes it.

  Give a script to others as a protected source (.gse) when its text should
  not be read or changed; it compiles like the plain source.

  Thread functions that wait for messages should always have an on clause
  that ends the wait, or the thread sleeps for ever.)MANUAL";

}  // namespace

const char* LanguageManual()
{
    return kManual;
}

}  // namespace GSCompiler
