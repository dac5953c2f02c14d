#version 120
// Plastic: the base colour lit diffusely under a highlight of the specular colour. The
// uniforms are the shader's parameters, by name.
uniform float Kd;
uniform vec3 Cs;
uniform vec2 uv;
uniform int enable;
uniform float Ks;
uniform float roughness;
uniform vec3 specularcolor;

varying vec3 P;
varying vec3 N;
varying vec2 st;

void main()
{
    vec3 n = normalize(N);
    vec3 v = normalize(-P);
    vec3 l = normalize(gl_LightSource[0].position.xyz);
    vec3 h = normalize(l + v);
    vec3 base = Cs;
    if (enable != 0)
    {
        // The viewport shows where the texture lies: a check pattern moved by the offset.
        vec2 cell = floor((st + uv) * vec2(16.0, 8.0));
        base *= mod(cell.x + cell.y, 2.0) < 1.0 ? 1.0 : 0.5;
    }
    float diffuse = max(dot(n, l), 0.0);
    float specular = pow(max(dot(n, h), 0.0), 1.0 / max(roughness, 0.001));
    vec3 colour = gl_LightModel.ambient.rgb * base + Kd * diffuse * base +
                  Ks * specular * specularcolor;
    gl_FragColor = vec4(colour, gl_FrontMaterial.diffuse.a);
}
